#include "test_devices.h"

#include <cstdio>

namespace vexlo {

std::unique_ptr<_DEVICERECORD> makeDevice(const std::string& ip, int loginHandle, int loginState,
                                          int playParam)
{
    auto device = std::make_unique<_DEVICERECORD>();
    std::snprintf(device->ipAddress, sizeof device->ipAddress, "%s", ip.c_str());
    std::snprintf(device->userName, sizeof device->userName, "%s", "admin");
    const std::string password = "pw-" + ip;
    std::snprintf(device->password, sizeof device->password, "%s", password.c_str());
    device->playParam = playParam;
    device->port = 8000;
    device->loginHandle = loginHandle;
    device->loginState = loginState;
    return device;
}

} // namespace vexlo
