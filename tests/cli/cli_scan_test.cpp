// Cameras beyond the broadcast domain: a camera that hears no broadcast search
// and no multicast discovery is missing from a plain search, and is listed,
// with either protocol, once --scan names a range that holds its address.
#include "cli_site.h"

namespace vexlo {

using namespace cli_test;

TEST_F(CliEndToEnd, ScanFindsCamerasThatIgnoreTheBroadcast)
{
    const std::string hidden = R"("faults": {"ignoreBroadcast": true})";
    startSite({R"("serial": "NEAR0001")", R"("serial": "FAR0002", )" + hidden,
               R"("serial": "ONV0003", "protocol": "onvif")",
               R"("serial": "ONVFAR0004", "protocol": "onvif", )" + hidden});

    const CliRun plain = cli({"--search", "--expect", "4"});
    EXPECT_EQ(plain.status, 1) << "fewer devices than expected\n" << dump(plain);
    EXPECT_EQ(plain.starting("device").size(), 2u) << dump(plain);
    EXPECT_FALSE(plain.device("NEAR0001").empty()) << dump(plain);
    EXPECT_FALSE(plain.device("ONV0003").empty()) << dump(plain);
    EXPECT_TRUE(plain.device("FAR0002").empty()) << dump(plain);
    EXPECT_TRUE(plain.device("ONVFAR0004").empty()) << dump(plain);

    // A range written both ways: the first two addresses, then a block that
    // holds the other two (and addresses where no camera is).
    const std::string ranges = address(1) + "-" + address(2) + ", " + address(0) + "/28";
    const CliRun scanned = cli({"--search", "--expect", "4", "--scan", ranges});
    EXPECT_EQ(scanned.status, 0) << dump(scanned);
    ASSERT_EQ(scanned.starting("device").size(), 4u) << dump(scanned);
    EXPECT_EQ(scanned.device("FAR0002")[0], address(2));
    EXPECT_EQ(scanned.device("ONVFAR0004")[0], address(4));
    // Listed once each, although the near cameras answer both ways.
    EXPECT_EQ(scanned.device("NEAR0001")[0], address(1));

    // The hidden home camera answered only probes sent to its own address.
    const auto searches = logged("FAR0002", "SearchIPC");
    ASSERT_FALSE(searches.empty());
    for (const std::string& line : searches)
        EXPECT_NE(line.find("sent to its own address"), std::string::npos) << line;
}

TEST_F(CliEndToEnd, ScanRangesOffLoopbackOrTooLargeAreRefusedBeforeAnythingIsSent)
{
    startSite({R"("serial": "NEAR0001")"});
    const CliRun outside = cli({"--search", "--scan", "10.1.2.0/24"});
    EXPECT_EQ(outside.status, 2) << dump(outside);
    EXPECT_NE(outside.errors.find("10.1.2.0/24 is outside 127.0.0.0/8"), std::string::npos)
        << outside.errors;
    const CliRun large = cli({"--search", "--scan", "127.0.0.0/16"});
    EXPECT_EQ(large.status, 2) << dump(large);
    EXPECT_NE(large.errors.find("a scan holds at most 4096 addresses; 127.0.0.0/16 has 65536"),
              std::string::npos)
        << large.errors;
    EXPECT_TRUE(logged("NEAR0001", "SearchIPC").empty()) << "no search ran";
}

} // namespace vexlo
