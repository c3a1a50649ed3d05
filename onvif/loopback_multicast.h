#pragma once

#include <string>
#include <string_view>

// Whether a multicast datagram to a group would stay on the loopback
// interface here: lo takes multicast and the most specific route to the group
// is lo's (as in the test namespace, which routes 224.0.0.0/4 there).
namespace vexlo::onvif {

// Empty when it would; otherwise one sentence saying why not, for a log line
// or a test's skip message. `group` is a dotted IPv4 address.
std::string loopbackMulticastProblem(std::string_view group);

} // namespace vexlo::onvif
