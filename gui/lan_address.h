#pragma once

#include <optional>
#include <string>

// The PC's own address on the LAN that a real-LAN search uses: the host name's
// first address is often 127.0.1.1 on Linux, which is no address on the site.
namespace vexlo {

// The first IPv4 address of network interface `interfaceName`, dotted; nothing
// when the interface does not exist or has no IPv4 address.
std::optional<std::string> interfaceIPv4Address(const std::string& interfaceName);

} // namespace vexlo
