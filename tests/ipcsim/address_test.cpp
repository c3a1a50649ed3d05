#include "ipcsim/address.h"

#include <gtest/gtest.h>

namespace vexlo::ipcsim {
namespace {

TEST(Ipv4Text, ReadsOnlyPlainDottedQuads)
{
    EXPECT_EQ(parseIpv4("127.0.1.1"), 0x7F000101u);
    EXPECT_EQ(parseIpv4("0.0.0.0"), 0u);
    EXPECT_EQ(parseIpv4("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* bad :
         {"", "127.0.1", "127.0.1.1.1", "127.0.1.256", "127.0.01.1", " 127.0.0.1", "127.0.0.1 ",
          "127..0.1", "127.0.0.1.", "127.0.0.x", "localhost", "1270.0.0.1", "127.0.0.-1"}) {
        EXPECT_FALSE(parseIpv4(bad).has_value()) << bad;
    }
    EXPECT_EQ(formatIpv4(0x7F0A0B0Cu), "127.10.11.12");
}

TEST(Ipv4Text, CameraAddressesStayInsideLoopback)
{
    EXPECT_TRUE(isUsableCameraAddress("127.0.0.1"));
    EXPECT_TRUE(isUsableCameraAddress("127.255.255.254"));
    EXPECT_FALSE(isUsableCameraAddress("127.0.0.0"));
    EXPECT_FALSE(isUsableCameraAddress("127.255.255.255"));
    EXPECT_FALSE(isUsableCameraAddress("126.255.255.255"));
    EXPECT_FALSE(isUsableCameraAddress("128.0.0.1"));
    EXPECT_FALSE(isUsableCameraAddress("10.0.0.1"));
    EXPECT_FALSE(isUsableCameraAddress("192.168.0.123"));
}

TEST(Ipv4Text, NextCameraAddressSkipsNetworkAndBroadcastEndings)
{
    EXPECT_EQ(formatIpv4(*nextCameraAddress(*parseIpv4("127.0.1.1"))), "127.0.1.2");
    EXPECT_EQ(formatIpv4(*nextCameraAddress(*parseIpv4("127.0.1.254"))), "127.0.2.1");
    EXPECT_EQ(formatIpv4(*nextCameraAddress(*parseIpv4("127.0.255.254"))), "127.1.0.1");
    EXPECT_FALSE(nextCameraAddress(*parseIpv4("127.255.255.254")).has_value());
}

TEST(MacText, ReadsSixPairsWithOneSeparator)
{
    EXPECT_EQ(parseMac("00:1A:2b:3C:4d:5E"), 0x001A2B3C4D5Eull);
    EXPECT_EQ(parseMac("00-1A-2B-3C-4D-5E"), 0x001A2B3C4D5Eull);
    for (const char* bad : {"", "00:1A:2B:3C:4D", "00:1A:2B:3C:4D:5E:6F", "00:1A-2B:3C:4D:5E",
                            "00:1A:2B:3C:4D:5G", "001A2B3C4D5E", "00.1A.2B.3C.4D.5E"}) {
        EXPECT_FALSE(parseMac(bad).has_value()) << bad;
    }
    EXPECT_EQ(formatMac(0x001A2B3C4D5Eull), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(macForAddress(*parseIpv4("127.0.1.2")), "02:00:7F:00:01:02");
}

} // namespace
} // namespace vexlo::ipcsim
