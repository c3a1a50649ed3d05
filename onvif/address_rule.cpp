#include "onvif/address_rule.h"

#include "onvif/device_messages.h"

namespace vexlo::onvif {

bool mayReach(std::string_view host, bool lanAllowed)
{
    if (!isIPv4Address(host))
        return false;
    // isIPv4Address has checked the first part is 0..255 without a leading zero.
    return lanAllowed || (host.size() > 4 && host.substr(0, 4) == "127.");
}

bool mayReach(std::uint32_t hostOrderAddress, bool lanAllowed)
{
    return lanAllowed || (hostOrderAddress >> 24) == 127;
}

} // namespace vexlo::onvif
