#pragma once

#include "engine/device_record.h"

#include <memory>
#include <string>

namespace vexlo {

// A zero-filled device record as a search would make it: address, credentials,
// play parameter, and the login fields as an earlier instruction left them.
std::unique_ptr<_DEVICERECORD> makeDevice(const std::string& ip, int loginHandle = 0,
                                          int loginState = 0, int playParam = 0);

} // namespace vexlo
