#include "onvif/xml_reader.h"

#include <algorithm>

namespace vexlo::onvif {

namespace {

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

pugi::xml_node nextElementSibling(pugi::xml_node node)
{
    for (node = node.next_sibling(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            return node;
    }
    return {};
}

// pugixml builds the tree without recursion but knows no depth limit; walking
// it iteratively keeps a deep document from costing stack anywhere later.
bool deeperThan(pugi::xml_node root, int limit)
{
    pugi::xml_node node = root;
    int depth = 1;
    for (;;) {
        if (depth > limit)
            return true;
        if (pugi::xml_node first = firstChildElement(node)) {
            node = first;
            ++depth;
            continue;
        }
        // Up until some ancestor below root has a next element sibling.
        for (;;) {
            if (node == root)
                return false;
            if (pugi::xml_node next = nextElementSibling(node)) {
                node = next;
                break;
            }
            node = node.parent();
            --depth;
        }
    }
}

} // namespace

XmlDocument::XmlDocument(std::string_view bytes)
{
    if (bytes.size() > kMaxXmlBytes) {
        m_error = XmlError::TooLarge;
        return;
    }
    // parse_doctype keeps a DOCTYPE as a node so it can be refused; pugixml
    // never expands entities beyond the five built-in ones and character references.
    const unsigned options = pugi::parse_default | pugi::parse_doctype;
    const pugi::xml_parse_result result =
        m_document.load_buffer(bytes.data(), bytes.size(), options);
    if (result.status == pugi::status_no_document_element) {
        m_error = XmlError::NoRoot;
    } else if (!result) {
        m_error = XmlError::Malformed;
    } else if (std::any_of(m_document.begin(), m_document.end(),
                           [](pugi::xml_node n) { return n.type() == pugi::node_doctype; })) {
        m_error = XmlError::Doctype;
    } else if (!m_document.document_element()) {
        m_error = XmlError::NoRoot;
    } else if (deeperThan(m_document.document_element(), kMaxXmlDepth)) {
        m_error = XmlError::TooDeep;
    }
    if (m_error != XmlError::None)
        m_document.reset();
}

pugi::xml_node XmlDocument::root() const
{
    return ok() ? m_document.document_element() : pugi::xml_node();
}

std::string_view localName(std::string_view qualifiedName)
{
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

std::string_view prefixOf(std::string_view qualifiedName)
{
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
}

pugi::xml_node child(pugi::xml_node node, std::string_view local)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == local)
            return c;
    }
    return {};
}

std::vector<pugi::xml_node> children(pugi::xml_node node, std::string_view local)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && localName(c.name()) == local)
            out.push_back(c);
    }
    return out;
}

pugi::xml_node firstChildElement(pugi::xml_node node)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element)
            return c;
    }
    return {};
}

pugi::xml_node descendant(pugi::xml_node node, std::string_view local)
{
    if (!node)
        return {};
    return node.find_node([local, node](pugi::xml_node n) {
        return n != node && n.type() == pugi::node_element && localName(n.name()) == local;
    });
}

pugi::xml_node find(pugi::xml_node node, std::initializer_list<std::string_view> path)
{
    for (const std::string_view step : path) {
        node = child(node, step);
        if (!node)
            break;
    }
    return node;
}

std::string text(pugi::xml_node node)
{
    // Concatenated, so a value split by a comment or CDATA section reads whole.
    std::string out;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            out += c.value();
    }
    return std::string(trimSpace(out));
}

std::string attribute(pugi::xml_node node, std::string_view local)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        if (name == "xmlns" || prefixOf(name) == "xmlns")
            continue;
        if (localName(name) == local)
            return a.value();
    }
    return {};
}

std::string namespaceForPrefix(pugi::xml_node node, std::string_view prefix)
{
    if (prefix == "xml")
        return "http://www.w3.org/XML/1998/namespace";
    const std::string wanted =
        prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix);
    for (; node; node = node.parent()) {
        if (pugi::xml_attribute a = node.attribute(wanted.c_str()))
            return a.value();
    }
    return {};
}

std::string namespaceOf(pugi::xml_node element)
{
    return namespaceForPrefix(element, prefixOf(element.name()));
}

std::string_view trimSpace(std::string_view value)
{
    while (!value.empty() && isXmlSpace(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isXmlSpace(value.back()))
        value.remove_suffix(1);
    return value;
}

std::vector<std::string> splitList(std::string_view value)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && isXmlSpace(value[at]))
            ++at;
        std::size_t end = at;
        while (end < value.size() && !isXmlSpace(value[end]))
            ++end;
        if (end > at)
            out.emplace_back(value.substr(at, end - at));
        at = end;
    }
    return out;
}

} // namespace vexlo::onvif
