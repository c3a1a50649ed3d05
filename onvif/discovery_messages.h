#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// WS-Discovery (2005/04) messages as ONVIF cameras send and answer them, over
// SOAP 1.2. Builders and parsers only; the sockets live elsewhere.
namespace vexlo::onvif {

// Where WS-Discovery probes go: the multicast group and its port.
inline constexpr std::uint16_t kDiscoveryGroupPort = 3702;
inline constexpr const char* kDiscoveryGroupAddress = "239.255.255.250";

inline constexpr std::string_view kDiscoveryNamespace =
    "http://schemas.xmlsoap.org/ws/2005/04/discovery";
inline constexpr std::string_view kAddressingNamespace =
    "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr std::string_view kOnvifNetworkNamespace =
    "http://www.onvif.org/ver10/network/wsdl";
inline constexpr std::string_view kOnvifDeviceNamespace = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr std::string_view kDiscoveryTo = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
inline constexpr std::string_view kAnonymousAddress =
    "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";

// A type such as dn:NetworkVideoTransmitter with its prefix resolved. The
// namespace is empty when the sender wrote no prefix or an undeclared one.
struct QualifiedName
{
    std::string namespaceUri;
    std::string localName;

    bool operator==(const QualifiedName&) const = default;
};

QualifiedName networkVideoTransmitter();

// Whether a device of `deviceTypes` answers a probe for `probeTypes`: it must
// have every probed type (an empty probe matches everything). Names compare by
// namespace and local name when both sides have a namespace, else by local
// name alone, since some makes send bare names.
bool typesMatch(std::span<const QualifiedName> deviceTypes,
                std::span<const QualifiedName> probeTypes);

struct Probe
{
    std::string messageId; // urn:uuid:...
    std::vector<QualifiedName> types;
    std::vector<std::string> scopes;

    bool operator==(const Probe&) const = default;
};

// What a device says about itself in a ProbeMatch, Hello or Bye.
struct DiscoveryTarget
{
    std::string address; // EndpointReference/Address, urn:uuid:...
    std::vector<QualifiedName> types;
    std::vector<std::string> scopes; // onvif://www.onvif.org/...
    std::vector<std::string> xaddrs; // service URLs, kept exactly as given
    std::uint32_t metadataVersion = 0;

    bool operator==(const DiscoveryTarget&) const = default;
};

// The AppSequence header that orders a device's announcements.
struct AppSequence
{
    std::uint32_t instanceId = 0;
    std::uint32_t messageNumber = 0;

    bool operator==(const AppSequence&) const = default;
};

struct ProbeMatches
{
    std::string messageId;
    std::string relatesTo; // the probe's MessageID
    AppSequence sequence;
    std::vector<DiscoveryTarget> matches;

    bool operator==(const ProbeMatches&) const = default;
};

// Hello and Bye carry the same things.
struct Announcement
{
    std::string messageId;
    AppSequence sequence;
    DiscoveryTarget target;

    bool operator==(const Announcement&) const = default;
};

std::string buildProbe(const Probe& probe);
std::string buildProbeMatches(const ProbeMatches& matches);
std::string buildHello(const Announcement& hello);
std::string buildBye(const Announcement& bye);

// Any bytes in; nothing unless the body holds the expected message.
std::optional<Probe> parseProbe(std::string_view bytes);
std::optional<ProbeMatches> parseProbeMatches(std::string_view bytes);
std::optional<Announcement> parseHello(std::string_view bytes);
std::optional<Announcement> parseBye(std::string_view bytes);

} // namespace vexlo::onvif
