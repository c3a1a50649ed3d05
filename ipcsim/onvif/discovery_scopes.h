#pragma once

#include <span>
#include <string>
#include <string_view>

// Which scopes a Probe asks for, against what a camera says about itself.
namespace vexlo::ipcsim::onvif {

// Whether `probeScope` matches `deviceScope` under the default WS-Discovery
// rule: scheme and authority equal ignoring case, and the probe's path a
// whole-segment prefix of the device's ("onvif://www.onvif.org/location"
// matches ".../location/site-a", "onvif://www.onvif.org/name/Cam" does not
// match ".../name/Camera1").
bool scopeMatches(std::string_view deviceScope, std::string_view probeScope);

// Whether a device with `deviceScopes` answers a probe for `probeScopes`:
// every probed scope must match one of the device's (none matches all).
bool scopesMatch(std::span<const std::string> deviceScopes,
                 std::span<const std::string> probeScopes);

} // namespace vexlo::ipcsim::onvif
