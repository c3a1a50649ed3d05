#include "netsdk/address_guard.h"
#include "netsdk/net_sdk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace vexlo::netsdk {
namespace {

TEST(ParseIpv4, TakesOnlyFourDecimalParts)
{
    EXPECT_EQ(parseIpv4("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(parseIpv4("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad :
         {"", "127.0.0", "127.0.0.1.", "127.0.0.256", "127..0.1", "1270.0.0.1", " 127.0.0.1",
          "127.0.0.1 ", "localhost", "127.0.0.1:80", "-1.0.0.0", "127.0.0.0001"})
        EXPECT_FALSE(parseIpv4(bad)) << bad;
}

TEST(AddressGuard, LoopbackModeAllowsOnly127Slash8)
{
    const AddressGuard guard(true);
    EXPECT_TRUE(guard.allows("127.0.0.1"));
    EXPECT_TRUE(guard.allows("127.255.1.9"));
    EXPECT_FALSE(guard.allows("10.0.0.1"));
    EXPECT_FALSE(guard.allows("192.168.0.123"));
    EXPECT_FALSE(guard.allows("128.0.0.1"));
    EXPECT_FALSE(guard.allows("0.0.0.0"));
    // A name is never resolved, so it can never lead off loopback.
    EXPECT_FALSE(guard.allows("localhost"));
}

TEST(AddressGuard, LanModeStillRefusesNonAddresses)
{
    const AddressGuard guard(false);
    EXPECT_TRUE(guard.allows("10.0.0.1"));
    EXPECT_FALSE(guard.allows("camera.local"));
}

std::size_t openSockets()
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && target.string().rfind("socket:", 0) == 0)
            ++count;
    }
    return count;
}

// The library itself refuses before anything is created or sent: no session,
// no handle spent, no datagram (the modify call would otherwise wait for a reply).
TEST(LoopbackGuard, LibraryRefusesOutsideAddressesWithoutSending)
{
    NetSdk sdk;
    ASSERT_EQ(sdk.Init(), 0);
    const std::size_t socketsBefore = openSockets();
    EXPECT_LE(sdk.Login("10.0.0.1", 8000, "admin", "", 0), 0);
    EXPECT_LE(sdk.Login("localhost", 8000, "admin", "", 0), 0);
    EXPECT_LE(sdk.Login(nullptr, 8000, "admin", "", 0), 0);

    _IPCINFO info{};
    std::strcpy(info.serialNo, "NSD0001");
    std::strcpy(info.macAddress, "02:00:7F:00:00:02");
    std::strcpy(info.ipAddress, "10.0.0.1");
    std::strcpy(info.netmask, "255.0.0.0");
    std::strcpy(info.gateway, "10.0.0.254");
    const auto before = std::chrono::steady_clock::now();
    EXPECT_NE(sdk.ModifyIPC(0, &info), 0);
    // Refused at once: a sent request would have waited for its reply.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));

    IP_PLAY_CLIENTINFO client{0, 1, 1, nullptr};
    auto callback =
        +[](int, int, const unsigned char*, int, const IP_FRAME_INFO*, void*) { return 0; };
    EXPECT_LE(sdk.RealPlayEx(1, "10.0.0.1", "admin", "", callback, &client, nullptr), 0);

    EXPECT_EQ(openSockets(), socketsBefore) << "a refused call opens no socket";
    // The first login that is let through gets the first handle. Nothing
    // listens at this port, so it only ever fails.
    EXPECT_EQ(sdk.Login("127.0.0.1", 9, "admin", "", 0), 1);
    sdk.Logout(1);
}

TEST(LoopbackGuard, SearchEndpointOutsideLoopbackIsRefused)
{
    NetSdkOptions options;
    options.searchAddress = "10.0.0.1";
    NetSdk sdk(options);
    ASSERT_EQ(sdk.Init(), 0);
    EXPECT_NE(sdk.StartSearchIPC(), 0);
    EXPECT_EQ(sdk.GetSearchIPCCount(), 0);
}

} // namespace
} // namespace vexlo::netsdk
