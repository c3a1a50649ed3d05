#pragma once

#include <optional>
#include <string>

namespace vexlo {

// The PC's own IPv4 address as dotted text: VEXLO_HOST_ADDRESS when it is set,
// otherwise the first IPv4 address of the host name. Nothing when the name
// cannot be resolved or has no IPv4 address.
std::optional<std::string> hostIPv4Address();

} // namespace vexlo
