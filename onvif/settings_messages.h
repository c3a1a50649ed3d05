#pragma once

#include "onvif/device_messages.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The device-service settings the configuration push writes: NTP and DNS
// servers, a user's password, the ports of the network protocols. Builders
// return nothing for a value the request cannot carry.
namespace vexlo::onvif {

// NTP servers given by hand (FromDHCP false): dotted IPv4 addresses or host
// names (letters, digits, '-' and '.', at most 253 characters).
std::optional<std::string> buildSetNTP(const std::vector<std::string>& servers);
// DNS servers given by hand, dotted IPv4 only.
std::optional<std::string> buildSetDNS(const std::vector<std::string>& servers);
// An existing user's password and level ("Administrator", "Operator", "User").
std::optional<std::string> buildSetUser(std::string_view user, std::string_view password,
                                        std::string_view level);

struct ProtocolPort
{
    std::string name; // "HTTP", "RTSP"
    int port = 0;     // 1..65535
};
// Each protocol on, at its port.
std::optional<std::string> buildSetNetworkProtocols(const std::vector<ProtocolPort>& protocols);

// The answer of an operation whose response element is empty.
Reply<Accepted> parseEmptyResponse(std::string_view bytes, std::string_view responseName);

// An NTP or DNS host name as the standard's DNSName takes it.
bool isHostName(std::string_view text);

} // namespace vexlo::onvif
