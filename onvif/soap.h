#pragma once

#include "onvif/xml_reader.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vexlo::onvif {

inline constexpr std::string_view kSoap12Namespace = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr std::string_view kSoap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";

struct XmlNamespace
{
    std::string_view prefix;
    std::string_view uri;
};

// A SOAP 1.2 envelope (prefix "s") around fragments we built with XmlWriter.
// The Header element is left out when there are no header entries. Extra
// namespaces are declared on the Envelope so the fragments can use prefixes.
std::string buildEnvelope(std::string_view body, std::span<const std::string> headerEntries = {},
                          std::span<const XmlNamespace> namespaces = {});

enum class SoapVersion
{
    Soap11,
    Soap12
};

struct SoapMessage
{
    // Owns the tree the nodes below point into.
    std::unique_ptr<XmlDocument> document;
    SoapVersion version = SoapVersion::Soap12;
    pugi::xml_node envelope;
    pugi::xml_node header; // empty when the message has none
    pugi::xml_node body;

    // The first element in Body: the request or response itself.
    pugi::xml_node payload() const { return firstChildElement(body); }
    // The operation a request asks for: the local name of the payload.
    std::string action() const;
};

// Envelope and Body by local name; the version from the Envelope's namespace
// (SOAP 1.1 when it says so, otherwise 1.2). Nothing for anything else.
std::optional<SoapMessage> parseEnvelope(std::string_view bytes);

} // namespace vexlo::onvif
