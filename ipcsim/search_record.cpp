#include "ipcsim/search_record.h"

#include "platform/codepage.h"

#include <cstring>

namespace vexlo::ipcsim {

void fillSearchRecord(const CameraSetup& camera, const CameraLocation& location, _IPCINFO& record)
{
    std::memset(&record, 0, sizeof record);
    copyToField(record.serialNo, toGbk(camera.serial));
    copyToField(record.deviceType, toGbk(camera.type));
    record.playParam = camera.playParam;
    record.port = camera.port;
    copyToField(record.macAddress, camera.mac);
    copyToField(record.ipAddress, location.address);
    copyToField(record.netmask, location.netmask);
    copyToField(record.gateway, location.gateway);
}

} // namespace vexlo::ipcsim
