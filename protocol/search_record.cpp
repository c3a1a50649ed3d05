#include "protocol/search_record.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vexlo::protocol {

namespace {

template <std::size_t N> void copyField(char (&field)[N], std::string_view text)
{
    const std::size_t count = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), count);
    std::memset(field + count, 0, N - count);
}

template <std::size_t N> std::string readField(const char (&field)[N])
{
    const char* end = std::find(field, field + N, '\0');
    return std::string(field, end);
}

} // namespace

void SearchRecord::toIpcInfo(_IPCINFO& info) const
{
    copyField(info.serialNo, serialNo);
    copyField(info.deviceType, deviceType);
    copyField(info.macAddress, macAddress);
    copyField(info.ipAddress, ipAddress);
    copyField(info.netmask, netmask);
    copyField(info.gateway, gateway);
    info.port = loginPort;
    info.playParam = playParam;
}

SearchRecord SearchRecord::fromIpcInfo(const _IPCINFO& info)
{
    SearchRecord record;
    record.serialNo = readField(info.serialNo);
    record.deviceType = readField(info.deviceType);
    record.macAddress = readField(info.macAddress);
    record.ipAddress = readField(info.ipAddress);
    record.netmask = readField(info.netmask);
    record.gateway = readField(info.gateway);
    record.loginPort = info.port;
    record.playParam = info.playParam;
    return record;
}

} // namespace vexlo::protocol
