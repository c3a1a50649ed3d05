#pragma once

#include <cstdint>
#include <string_view>

// The network-safety rule of the ONVIF client, the same one netsdk's
// AddressGuard applies to the home protocol: unless LAN mode was asked for
// explicitly, nothing leaves 127.0.0.0/8. Hosts are dotted IPv4 texts and are
// never resolved, so a host name cannot lead anywhere, in either mode.
namespace vexlo::onvif {

// True when the client may open a connection to `host`.
bool mayReach(std::string_view host, bool lanAllowed);

// The same for an IPv4 address in host byte order, for the check made when a
// socket is about to be opened.
bool mayReach(std::uint32_t hostOrderAddress, bool lanAllowed);

} // namespace vexlo::onvif
