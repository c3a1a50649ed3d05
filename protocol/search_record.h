#pragma once

#include "sdk/ipcinfo.h"

#include <cstdint>
#include <string>

namespace vexlo::protocol {

// What a camera tells about itself in a search answer. Never a user name or a
// password: those come from the client's own credential setting.
struct SearchRecord
{
    std::string serialNo;   // at most kMaxSerialSize bytes
    std::string deviceType; // at most kMaxDeviceTypeSize bytes; "NVR" for recorders
    std::string macAddress; // at most kMaxMacSize bytes, "00:11:22:33:44:55"
    std::string ipAddress;  // at most kMaxAddressSize bytes each, dotted text
    std::string netmask;
    std::string gateway;
    std::uint16_t loginPort = 0;
    std::int32_t playParam = 0;

    // Writes the search fields into the block, each cut to its field and
    // NUL-terminated; every other byte of the block is left as it was.
    void toIpcInfo(_IPCINFO& info) const;
    // Reads the search fields of a block; a field without its NUL stops at the
    // field's end.
    static SearchRecord fromIpcInfo(const _IPCINFO& info);

    bool operator==(const SearchRecord&) const = default;
};

} // namespace vexlo::protocol
