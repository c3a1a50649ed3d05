#include "protocol/search_record.h"

#include "sdk/fixed_field.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vexlo::protocol {

using sdk::copyToFixedField;
using sdk::readFixedField;

void SearchRecord::toIpcInfo(_IPCINFO& info) const
{
    copyToFixedField(info.serialNo, serialNo);
    copyToFixedField(info.deviceType, deviceType);
    copyToFixedField(info.macAddress, macAddress);
    copyToFixedField(info.ipAddress, ipAddress);
    copyToFixedField(info.netmask, netmask);
    copyToFixedField(info.gateway, gateway);
    info.port = loginPort;
    info.playParam = playParam;
}

SearchRecord SearchRecord::fromIpcInfo(const _IPCINFO& info)
{
    SearchRecord record;
    record.serialNo = readFixedField(info.serialNo);
    record.deviceType = readFixedField(info.deviceType);
    record.macAddress = readFixedField(info.macAddress);
    record.ipAddress = readFixedField(info.ipAddress);
    record.netmask = readFixedField(info.netmask);
    record.gateway = readFixedField(info.gateway);
    record.loginPort = info.port;
    record.playParam = info.playParam;
    return record;
}

} // namespace vexlo::protocol
