#include "ipcsim/onvif/discovery_scopes.h"

#include "onvif/encoding.h"

#include <algorithm>

namespace vexlo::ipcsim::onvif {

namespace {

struct ScopeParts
{
    std::string_view schemeAndAuthority; // "onvif://www.onvif.org"
    std::string_view path;               // "/location/site-a", without a trailing '/'
};

ScopeParts split(std::string_view scope)
{
    const std::size_t schemeEnd = scope.find("://");
    const std::size_t authorityStart = schemeEnd == std::string_view::npos ? 0 : schemeEnd + 3;
    const std::size_t pathStart = std::min(scope.find('/', authorityStart), scope.size());
    std::string_view path = scope.substr(pathStart);
    // A query or fragment is not part of any segment compared here.
    path = path.substr(0, path.find_first_of("?#"));
    while (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    return {scope.substr(0, pathStart), path};
}

} // namespace

bool scopeMatches(std::string_view deviceScope, std::string_view probeScope)
{
    const ScopeParts device = split(deviceScope);
    const ScopeParts probe = split(probeScope);
    if (!vexlo::onvif::equalsIgnoringCase(device.schemeAndAuthority, probe.schemeAndAuthority)) {
        return false;
    }
    // Segment by segment: the probe's path must end where one of the device's
    // segments ends.
    if (!device.path.starts_with(probe.path)) {
        return false;
    }
    return device.path.size() == probe.path.size() || device.path[probe.path.size()] == '/';
}

bool scopesMatch(std::span<const std::string> deviceScopes,
                 std::span<const std::string> probeScopes)
{
    return std::all_of(probeScopes.begin(), probeScopes.end(), [&](const std::string& wanted) {
        return std::any_of(deviceScopes.begin(), deviceScopes.end(),
                           [&](const std::string& have) { return scopeMatches(have, wanted); });
    });
}

} // namespace vexlo::ipcsim::onvif
