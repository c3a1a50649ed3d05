#include "onvif/soap.h"

#include "onvif/xml_writer.h"

namespace vexlo::onvif {

std::string buildEnvelope(std::string_view body, std::span<const std::string> headerEntries,
                          std::span<const XmlNamespace> namespaces)
{
    XmlWriter writer;
    writer.open("s:Envelope").attribute("xmlns:s", kSoap12Namespace);
    for (const XmlNamespace& ns : namespaces)
        writer.attribute("xmlns:" + std::string(ns.prefix), ns.uri);
    if (!headerEntries.empty()) {
        writer.open("s:Header");
        for (const std::string& entry : headerEntries)
            writer.raw(entry);
        writer.close();
    }
    writer.open("s:Body").raw(body).close();
    return R"(<?xml version="1.0" encoding="UTF-8"?>)" + writer.finish();
}

std::string SoapMessage::action() const
{
    return std::string(localName(payload().name()));
}

std::optional<SoapMessage> parseEnvelope(std::string_view bytes)
{
    SoapMessage message;
    message.document = std::make_unique<XmlDocument>(bytes);
    message.envelope = message.document->root();
    if (!message.envelope || localName(message.envelope.name()) != "Envelope")
        return std::nullopt;
    message.version = namespaceOf(message.envelope) == kSoap11Namespace ? SoapVersion::Soap11
                                                                        : SoapVersion::Soap12;
    message.header = child(message.envelope, "Header");
    message.body = child(message.envelope, "Body");
    if (!message.body)
        return std::nullopt;
    return message;
}

} // namespace vexlo::onvif
