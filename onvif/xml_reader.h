#pragma once

#include <cstddef>
#include <initializer_list>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

// Reading XML from peers: a parser with limits, and navigation by local name,
// because cameras agree on element names but not on prefixes (s:, SOAP-ENV:,
// env:, none at all).
namespace vexlo::onvif {

inline constexpr std::size_t kMaxXmlBytes = 1024 * 1024;
inline constexpr int kMaxXmlDepth = 64;

enum class XmlError
{
    None,
    TooLarge,
    TooDeep,
    Doctype, // refused: a peer has no business declaring entities
    Malformed,
    NoRoot
};

class XmlDocument
{
public:
    explicit XmlDocument(std::string_view bytes);
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    bool ok() const { return m_error == XmlError::None; }
    XmlError error() const { return m_error; }
    // The document element; empty when the parse failed.
    pugi::xml_node root() const;

private:
    pugi::xml_document m_document;
    XmlError m_error = XmlError::None;
};

// "s:Envelope" -> "Envelope"; a name without prefix is returned whole.
std::string_view localName(std::string_view qualifiedName);
std::string_view prefixOf(std::string_view qualifiedName);

// The first child element with this local name, or an empty node.
pugi::xml_node child(pugi::xml_node node, std::string_view local);
std::vector<pugi::xml_node> children(pugi::xml_node node, std::string_view local);
pugi::xml_node firstChildElement(pugi::xml_node node);
// Depth first, the node itself excluded.
pugi::xml_node descendant(pugi::xml_node node, std::string_view local);
// child() step by step: find(envelope, {"Body", "GetDeviceInformationResponse", "Model"}).
pugi::xml_node find(pugi::xml_node node, std::initializer_list<std::string_view> path);

// Character content with XML whitespace trimmed at both ends; empty for an empty node.
std::string text(pugi::xml_node node);
// The attribute with this local name (any prefix, xmlns declarations excluded).
std::string attribute(pugi::xml_node node, std::string_view local);

// The namespace URI a prefix stands for where node sits ("" for the default
// namespace); empty when it is not declared.
std::string namespaceForPrefix(pugi::xml_node node, std::string_view prefix);
std::string namespaceOf(pugi::xml_node element);

// Without XML whitespace (space, tab, CR, LF) at either end.
std::string_view trimSpace(std::string_view value);

// Space, tab, CR and LF separated items, as in list-typed values (Scopes, XAddrs).
std::vector<std::string> splitList(std::string_view value);

} // namespace vexlo::onvif
