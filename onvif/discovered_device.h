#pragma once

#include "onvif/discovery_messages.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What one device told about itself in a ProbeMatch, made ready for the
// device list: recorder or camera, the serial and MAC it gives away before
// any login, and the address it may be contacted at. No sockets here.
namespace vexlo::onvif {

// Where a guessed value came from, strongest first. A value read from the
// name scope is only what the owner called the device: callers that merge
// lists by serial should not trust it as much as a stated serial.
enum class Clue
{
    None,
    SerialScope,       // onvif://www.onvif.org/SerialNumber/...
    MacScope,          // onvif://www.onvif.org/MacAddress/...
    NameScope,         // onvif://www.onvif.org/name/...
    EndpointReference, // the node of a time-based urn:uuid, which is a MAC
};

struct DeviceIdentity
{
    std::string serialNo; // printable ASCII, at most kMaxGuessLength
    Clue serialClue = Clue::None;
    std::string macAddress; // "00:1A:2B:3C:4D:5E"
    Clue macClue = Clue::None;
    std::string name;     // the name scope, decoded
    std::string hardware; // the hardware scope (usually the model), decoded

    bool operator==(const DeviceIdentity&) const = default;
};

inline constexpr std::size_t kMaxGuessLength = 64;

struct DiscoveredDevice
{
    std::string endpoint; // EndpointReference address; the device's identity
    std::vector<QualifiedName> types;
    std::vector<std::string> scopes;
    std::vector<std::string> xaddrs; // exactly as given
    std::uint32_t metadataVersion = 0;
    std::string sender; // the address the answer came from
    // The host of the first XAddr with a dotted IPv4 host, else the sender:
    // what the list shows as the device's address.
    std::string ipAddress;
    // The first XAddr that may be contacted in the current mode; empty when
    // none may. In loopback mode a device whose XAddrs all lead outside
    // 127.0.0.0/8 is still listed, but contactAllowed is false and nothing
    // may be sent to it.
    std::string serviceAddress;
    bool contactAllowed = false;
    bool isRecorder = false;
    DeviceIdentity identity;

    bool operator==(const DiscoveredDevice&) const = default;
};

// A recorder says so with NetworkVideoStorage among its types.
bool isRecorderType(const std::vector<QualifiedName>& types);

// The serial, MAC, name and hardware a device gives away in its scopes and
// endpoint reference. Values that are too long or not printable are left out.
DeviceIdentity guessIdentity(const DiscoveryTarget& target);

// The host of an http or https URL when it is a dotted IPv4 address (the port
// and path dropped), else empty. Host names are never resolved here.
std::string xaddrIpv4Host(std::string_view url);

// Builds the list entry for one ProbeMatch received from `sender`.
DiscoveredDevice describeDevice(const DiscoveryTarget& target, const std::string& sender,
                                bool loopbackOnly);

} // namespace vexlo::onvif
