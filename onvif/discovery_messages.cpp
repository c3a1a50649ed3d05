#include "onvif/discovery_messages.h"

#include "onvif/soap.h"
#include "onvif/xml_writer.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace vexlo::onvif {

namespace {

constexpr std::string_view kActionBase = "http://schemas.xmlsoap.org/ws/2005/04/discovery/";

const std::array<XmlNamespace, 2> kNamespaces{
    {{"a", kAddressingNamespace}, {"d", kDiscoveryNamespace}}};

std::string joinList(std::span<const std::string> items)
{
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : " ") + item;
    return out;
}

// <d:Types> with each namespace declared on the element itself under a prefix
// of our choosing: the usual ones for ONVIF's, numbered ones otherwise.
void writeTypes(XmlWriter& writer, std::span<const QualifiedName> types)
{
    if (types.empty())
        return;
    std::vector<std::string> uris;
    for (const QualifiedName& type : types) {
        if (!type.namespaceUri.empty() &&
            std::find(uris.begin(), uris.end(), type.namespaceUri) == uris.end())
            uris.push_back(type.namespaceUri);
    }
    const auto prefixFor = [&uris](std::string_view uri) {
        if (uri == kOnvifNetworkNamespace)
            return std::string("dn");
        if (uri == kOnvifDeviceNamespace)
            return std::string("tds");
        const auto at = std::find(uris.begin(), uris.end(), uri) - uris.begin();
        return "t" + std::to_string(at);
    };
    writer.open("d:Types");
    for (const std::string& uri : uris)
        writer.attribute("xmlns:" + prefixFor(uri), uri);
    std::string value;
    for (const QualifiedName& type : types) {
        if (!value.empty())
            value += ' ';
        value += type.namespaceUri.empty() ? type.localName
                                           : prefixFor(type.namespaceUri) + ':' + type.localName;
    }
    writer.text(value).close();
}

void writeTarget(XmlWriter& writer, const DiscoveryTarget& target)
{
    writer.open("a:EndpointReference").element("a:Address", target.address).close();
    writeTypes(writer, target.types);
    if (!target.scopes.empty())
        writer.element("d:Scopes", joinList(target.scopes));
    if (!target.xaddrs.empty())
        writer.element("d:XAddrs", joinList(target.xaddrs));
    writer.element("d:MetadataVersion", std::to_string(target.metadataVersion));
}

std::string addressingHeaders(std::string_view action, std::string_view messageId,
                              std::string_view to, std::string_view relatesTo)
{
    XmlWriter writer;
    writer.element("a:MessageID", messageId);
    if (!relatesTo.empty())
        writer.element("a:RelatesTo", relatesTo);
    writer.element("a:To", to);
    writer.element("a:Action", std::string(kActionBase) + std::string(action));
    return writer.finish();
}

std::string appSequenceHeader(const AppSequence& sequence)
{
    XmlWriter writer;
    writer.open("d:AppSequence")
        .attribute("InstanceId", std::to_string(sequence.instanceId))
        .attribute("MessageNumber", std::to_string(sequence.messageNumber));
    return writer.finish();
}

std::string buildAnnouncement(std::string_view action, const Announcement& announcement)
{
    XmlWriter body;
    body.open("d:" + std::string(action));
    writeTarget(body, announcement.target);
    const std::array<std::string, 2> headers{
        addressingHeaders(action, announcement.messageId, kDiscoveryTo, {}),
        appSequenceHeader(announcement.sequence)};
    return buildEnvelope(body.finish(), headers, kNamespaces);
}

std::uint32_t readNumber(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

std::vector<QualifiedName> readTypes(pugi::xml_node types)
{
    std::vector<QualifiedName> out;
    for (const std::string& item : splitList(text(types))) {
        const std::string_view prefix = prefixOf(item);
        const std::string_view local = localName(item);
        if (local.empty() || local.find(':') != std::string_view::npos)
            continue; // not a name at all; keeping it would change meaning when written back
        // An unprefixed name is kept without namespace rather than put in the
        // default one, which in these messages is usually the discovery namespace.
        out.push_back({prefix.empty() ? std::string() : namespaceForPrefix(types, prefix),
                       std::string(local)});
    }
    return out;
}

DiscoveryTarget readTarget(pugi::xml_node node)
{
    DiscoveryTarget out;
    out.address = text(find(node, {"EndpointReference", "Address"}));
    out.types = readTypes(child(node, "Types"));
    out.scopes = splitList(text(child(node, "Scopes")));
    out.xaddrs = splitList(text(child(node, "XAddrs")));
    out.metadataVersion = readNumber(text(child(node, "MetadataVersion")));
    return out;
}

AppSequence readSequence(pugi::xml_node header)
{
    pugi::xml_node node = child(header, "AppSequence");
    return {readNumber(attribute(node, "InstanceId")),
            readNumber(attribute(node, "MessageNumber"))};
}

std::optional<Announcement> parseAnnouncement(std::string_view bytes, std::string_view name)
{
    const std::optional<SoapMessage> message = parseEnvelope(bytes);
    if (!message)
        return std::nullopt;
    pugi::xml_node node = child(message->body, name);
    if (!node)
        return std::nullopt;
    Announcement out;
    out.messageId = text(child(message->header, "MessageID"));
    out.sequence = readSequence(message->header);
    out.target = readTarget(node);
    return out;
}

} // namespace

QualifiedName networkVideoTransmitter()
{
    return {std::string(kOnvifNetworkNamespace), "NetworkVideoTransmitter"};
}

bool typesMatch(std::span<const QualifiedName> deviceTypes,
                std::span<const QualifiedName> probeTypes)
{
    return std::all_of(probeTypes.begin(), probeTypes.end(),
                       [deviceTypes](const QualifiedName& wanted) {
                           return std::any_of(deviceTypes.begin(), deviceTypes.end(),
                                              [&wanted](const QualifiedName& have) {
                                                  if (have.localName != wanted.localName)
                                                      return false;
                                                  return have.namespaceUri.empty() ||
                                                         wanted.namespaceUri.empty() ||
                                                         have.namespaceUri == wanted.namespaceUri;
                                              });
                       });
}

std::string buildProbe(const Probe& probe)
{
    XmlWriter body;
    body.open("d:Probe");
    writeTypes(body, probe.types);
    if (!probe.scopes.empty())
        body.element("d:Scopes", joinList(probe.scopes));
    const std::array<std::string, 1> headers{
        addressingHeaders("Probe", probe.messageId, kDiscoveryTo, {})};
    return buildEnvelope(body.finish(), headers, kNamespaces);
}

std::string buildProbeMatches(const ProbeMatches& matches)
{
    XmlWriter body;
    body.open("d:ProbeMatches");
    for (const DiscoveryTarget& target : matches.matches) {
        body.open("d:ProbeMatch");
        writeTarget(body, target);
        body.close();
    }
    const std::array<std::string, 2> headers{
        addressingHeaders("ProbeMatches", matches.messageId, kAnonymousAddress, matches.relatesTo),
        appSequenceHeader(matches.sequence)};
    return buildEnvelope(body.finish(), headers, kNamespaces);
}

std::string buildHello(const Announcement& hello)
{
    return buildAnnouncement("Hello", hello);
}

std::string buildBye(const Announcement& bye)
{
    return buildAnnouncement("Bye", bye);
}

std::optional<Probe> parseProbe(std::string_view bytes)
{
    const std::optional<SoapMessage> message = parseEnvelope(bytes);
    if (!message)
        return std::nullopt;
    pugi::xml_node probe = child(message->body, "Probe");
    if (!probe)
        return std::nullopt;
    Probe out;
    out.messageId = text(child(message->header, "MessageID"));
    out.types = readTypes(child(probe, "Types"));
    out.scopes = splitList(text(child(probe, "Scopes")));
    return out;
}

std::optional<ProbeMatches> parseProbeMatches(std::string_view bytes)
{
    const std::optional<SoapMessage> message = parseEnvelope(bytes);
    if (!message)
        return std::nullopt;
    pugi::xml_node matches = child(message->body, "ProbeMatches");
    if (!matches)
        return std::nullopt;
    ProbeMatches out;
    out.messageId = text(child(message->header, "MessageID"));
    out.relatesTo = text(child(message->header, "RelatesTo"));
    out.sequence = readSequence(message->header);
    for (pugi::xml_node match : children(matches, "ProbeMatch"))
        out.matches.push_back(readTarget(match));
    return out;
}

std::optional<Announcement> parseHello(std::string_view bytes)
{
    return parseAnnouncement(bytes, "Hello");
}

std::optional<Announcement> parseBye(std::string_view bytes)
{
    return parseAnnouncement(bytes, "Bye");
}

} // namespace vexlo::onvif
