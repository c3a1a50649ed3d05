#pragma once

#include "ipcsim/scenario.h"
#include "sdk/ipcinfo.h"

#include <string_view>

namespace vexlo::ipcsim {

// Where a camera is reachable right now: its scenario address at start, then
// wherever modify IP or a factory restore has moved it.
struct CameraLocation
{
    std::string_view address;
    std::string_view netmask;
    std::string_view gateway;
};

// The search record a camera reports: serial, type, port, playParam, MAC and
// its current location, each cut to its field and NUL-terminated, in GBK. The
// user name and password stay empty: no camera broadcasts its credentials; the
// device library fills them from its own setting.
void fillSearchRecord(const CameraSetup& camera, const CameraLocation& location, _IPCINFO& record);

} // namespace vexlo::ipcsim
