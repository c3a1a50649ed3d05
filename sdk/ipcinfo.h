#pragma once

#include <cstddef>
#include <cstdint>

// The device library's search-result block, 4028 bytes. IP_NET_DVR_GetIPCInfo
// fills it and IP_NET_DVR_ModifyIPC takes it back. The offsets of the named
// fields are part of the interface; the reserved bytes belong to the library and
// are carried along untouched. Text fields are NUL-terminated GBK text.
struct _IPCINFO
{
    char serialNo[32];            // 0
    char deviceType[36];          // 32: "NVR" entries are never listed
    char userName[40];            // 68
    char password[64];            // 108
    std::uint8_t reserved1[2300]; // 172
    std::int32_t playParam;       // 2472: copied into the live-play request
    std::uint8_t reserved2[4];    // 2476
    std::uint16_t port;           // 2480: login port
    std::uint8_t reserved3[6];    // 2482
    char macAddress[260];         // 2488
    char ipAddress[256];          // 2748
    char netmask[256];            // 3004
    char gateway[256];            // 3260
    std::uint8_t reserved4[512];  // 3516
};

inline constexpr std::size_t kIpcInfoSize = 4028;

static_assert(sizeof(_IPCINFO) == kIpcInfoSize);
static_assert(offsetof(_IPCINFO, serialNo) == 0);
static_assert(offsetof(_IPCINFO, deviceType) == 32);
static_assert(offsetof(_IPCINFO, userName) == 68);
static_assert(offsetof(_IPCINFO, password) == 108);
static_assert(offsetof(_IPCINFO, playParam) == 2472);
static_assert(offsetof(_IPCINFO, port) == 2480);
static_assert(offsetof(_IPCINFO, macAddress) == 2488);
static_assert(offsetof(_IPCINFO, ipAddress) == 2748);
static_assert(offsetof(_IPCINFO, netmask) == 3004);
static_assert(offsetof(_IPCINFO, gateway) == 3260);

// Which device library listed an entry: the first reserved byte after the
// gateway field says so, written by the library that fills the block (a block
// the home protocol's library fills alone keeps it zero). The restore check
// needs it: only the home protocol's cameras come back at a factory address.
enum class ListedProtocol : std::uint8_t
{
    Home = 0,
    Onvif = 1,
};

inline constexpr std::size_t kIpcInfoProtocolOffset = offsetof(_IPCINFO, reserved4);

inline ListedProtocol listedProtocol(const _IPCINFO& info)
{
    return info.reserved4[0] == static_cast<std::uint8_t>(ListedProtocol::Onvif)
               ? ListedProtocol::Onvif
               : ListedProtocol::Home;
}

inline void setListedProtocol(_IPCINFO& info, ListedProtocol protocol)
{
    info.reserved4[0] = static_cast<std::uint8_t>(protocol);
}
