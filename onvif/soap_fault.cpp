#include "onvif/soap_fault.h"

#include "onvif/xml_writer.h"

#include <algorithm>
#include <array>

namespace vexlo::onvif {

namespace {

// The local part of a QName value, without the whitespace a pretty printer
// or a sloppy firmware may leave around either part.
std::string nameIn(std::string_view value)
{
    return std::string(trimSpace(localName(trimSpace(value))));
}

std::string soap12Code(std::string_view local)
{
    local = trimSpace(local);
    if (local == "Client")
        return "Sender";
    if (local == "Server")
        return "Receiver";
    return std::string(local);
}

SoapFault parseSoap12(pugi::xml_node fault)
{
    SoapFault out;
    pugi::xml_node code = child(fault, "Code");
    out.code = soap12Code(nameIn(text(child(code, "Value"))));
    // Each Subcode nests the next.
    for (pugi::xml_node sub = child(code, "Subcode");
         sub && out.subcodes.size() < kMaxFaultSubcodes; sub = child(sub, "Subcode"))
        out.subcodes.push_back(nameIn(text(child(sub, "Value"))));
    // Several Text elements in different languages may follow; the first will do.
    out.reason = text(child(child(fault, "Reason"), "Text"));
    return out;
}

SoapFault parseSoap11(pugi::xml_node fault)
{
    SoapFault out;
    const std::string value = text(child(fault, "faultcode"));
    // "Client.Authentication": each dotted part refines the code, as a subcode would.
    std::string_view rest = localName(value);
    const std::size_t dot = rest.find('.');
    out.code = soap12Code(rest.substr(0, dot));
    while (dot != std::string_view::npos && out.subcodes.size() < kMaxFaultSubcodes) {
        rest = rest.substr(rest.find('.') + 1);
        const std::size_t next = rest.find('.');
        out.subcodes.emplace_back(trimSpace(rest.substr(0, next)));
        if (next == std::string_view::npos)
            break;
    }
    out.reason = text(child(fault, "faultstring"));
    return out;
}

} // namespace

bool SoapFault::mentions(std::string_view local) const
{
    return code == local || std::find(subcodes.begin(), subcodes.end(), local) != subcodes.end();
}

std::string buildFault(const SoapFault& fault)
{
    XmlWriter writer;
    writer.open("s:Fault").open("s:Code").element("s:Value", "s:" + fault.code);
    const std::size_t subcodes = std::min(fault.subcodes.size(), kMaxFaultSubcodes);
    for (std::size_t i = 0; i < subcodes; ++i)
        writer.open("s:Subcode").element("s:Value", "ter:" + fault.subcodes[i]);
    for (std::size_t i = 0; i < subcodes; ++i)
        writer.close();
    writer.close(); // Code
    writer.open("s:Reason").open("s:Text").attribute("xml:lang", "en").text(fault.reason).close();
    writer.close(); // Reason
    const std::array<XmlNamespace, 1> namespaces{{{"ter", kOnvifErrorNamespace}}};
    return buildEnvelope(writer.finish(), {}, namespaces);
}

std::optional<SoapFault> parseFault(const SoapMessage& message)
{
    pugi::xml_node fault = child(message.body, "Fault");
    if (!fault)
        return std::nullopt;
    // Go by the shape rather than the declared version: a few makes put a 1.1
    // style fault in a 1.2 envelope.
    if (child(fault, "Code"))
        return parseSoap12(fault);
    return parseSoap11(fault);
}

std::optional<SoapFault> parseFault(std::string_view bytes)
{
    std::optional<SoapMessage> message = parseEnvelope(bytes);
    if (!message)
        return std::nullopt;
    return parseFault(*message);
}

} // namespace vexlo::onvif
