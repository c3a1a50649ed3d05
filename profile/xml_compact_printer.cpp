#include "profile/xml_compact_printer.h"

#include <cctype>

namespace vexlo {
namespace {

// Length of the hexadecimal character reference ("&#x", hex digits, ";") that
// starts at `text[0]`, or 0 when what starts there is not one.
std::size_t hexReferenceLength(std::string_view text)
{
    if (text.substr(0, 3) != "&#x")
        return 0;
    std::size_t end = 3;
    while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])))
        ++end;
    if (end == 3 || end >= text.size() || text[end] != ';')
        return 0;
    return end + 1;
}

void appendControlByte(std::string& out, unsigned char byte)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    out += "&#x";
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
    out += ';';
}

} // namespace

void appendXmlEscaped(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            if (std::size_t length = hexReferenceLength(text.substr(i)); length > 0) {
                out.append(text.substr(i, length));
                i += length - 1;
            } else {
                out += "&amp;";
            }
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
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                appendControlByte(out, static_cast<unsigned char>(c));
            else
                out += c;
            break;
        }
    }
}

bool CompactXmlPrinter::VisitEnter(const TiXmlElement& element,
                                   const TiXmlAttribute* firstAttribute)
{
    m_text += '<';
    appendXmlEscaped(m_text, element.ValueStr());
    for (const TiXmlAttribute* attribute = firstAttribute; attribute;
         attribute = attribute->Next()) {
        m_text += ' ';
        appendXmlEscaped(m_text, attribute->NameTStr());
        m_text += "=\"";
        appendXmlEscaped(m_text, attribute->ValueStr());
        m_text += '"';
    }
    m_text += element.FirstChild() ? ">" : " />";
    return true;
}

bool CompactXmlPrinter::VisitExit(const TiXmlElement& element)
{
    if (element.FirstChild()) {
        m_text += "</";
        appendXmlEscaped(m_text, element.ValueStr());
        m_text += '>';
    }
    return true;
}

bool CompactXmlPrinter::Visit(const TiXmlText& text)
{
    appendXmlEscaped(m_text, text.ValueStr());
    return true;
}

std::string printCompact(const TiXmlNode& node)
{
    CompactXmlPrinter printer;
    node.Accept(&printer);
    return printer.text();
}

} // namespace vexlo
