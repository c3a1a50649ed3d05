#include "onvif/xml_writer.h"

namespace vexlo::onvif {

std::string escapeXml(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '\t':
            out += "&#9;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                out.push_back(c);
            break;
        }
    }
    return out;
}

XmlWriter& XmlWriter::open(std::string_view name)
{
    endStartTag();
    m_out += '<';
    m_out += name;
    m_open.emplace_back(name);
    m_inStartTag = true;
    return *this;
}

XmlWriter& XmlWriter::attribute(std::string_view name, std::string_view value)
{
    if (!m_inStartTag)
        return *this; // an attribute after content has nowhere to go
    m_out += ' ';
    m_out += name;
    m_out += "=\"";
    m_out += escapeXml(value);
    m_out += '"';
    return *this;
}

XmlWriter& XmlWriter::text(std::string_view value)
{
    endStartTag();
    m_out += escapeXml(value);
    return *this;
}

XmlWriter& XmlWriter::raw(std::string_view xml)
{
    endStartTag();
    m_out += xml;
    return *this;
}

XmlWriter& XmlWriter::close()
{
    if (m_open.empty())
        return *this;
    if (m_inStartTag) {
        m_out += "/>";
        m_inStartTag = false;
    } else {
        m_out += "</";
        m_out += m_open.back();
        m_out += '>';
    }
    m_open.pop_back();
    return *this;
}

XmlWriter& XmlWriter::element(std::string_view name, std::string_view value)
{
    return open(name).text(value).close();
}

std::string XmlWriter::finish()
{
    while (!m_open.empty())
        close();
    return std::move(m_out);
}

void XmlWriter::endStartTag()
{
    if (m_inStartTag) {
        m_out += '>';
        m_inStartTag = false;
    }
}

} // namespace vexlo::onvif
