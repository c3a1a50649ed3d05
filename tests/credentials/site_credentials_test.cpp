#include "credentials/site_credentials.h"

#include <gtest/gtest.h>

namespace vexlo::credentials {
namespace {

using Pairs = std::vector<LoginPair>;

CameraLogin bySerial(std::string serial, LoginPair login)
{
    return CameraLogin{std::move(serial), "", std::move(login)};
}

CameraLogin byAddress(std::string address, LoginPair login)
{
    return CameraLogin{"", std::move(address), std::move(login)};
}

TEST(LoginCandidates, CameraEntriesThenGivenThenSitePairsEachOnce)
{
    SiteCredentials site;
    site.pairs = {{"admin", ""}, {"admin", "12345"}, {"", "orphan"}, {"ops", "x"}, {"admin", ""}};
    site.cameras = {
        byAddress("127.0.10.5", {"u2", "p2"}),
        bySerial("VX1", {"u1", "p1"}),
        bySerial("VX10", {"prefix", "no"}), // a serial that starts alike is another camera
        bySerial("vx1", {"case", "no"}),    // serials match exactly
        byAddress("127.0.10.50", {"other", "no"}),
        bySerial("VX1", {"admin", "12345"}), // also a site pair: tried here, not again
        bySerial("VX1", {"u1", "p1"}),
    };
    EXPECT_EQ(loginCandidates(site, "VX1", "127.0.10.5", LoginPair{"given", "g"}),
              (Pairs{{"u1", "p1"},
                     {"admin", "12345"},
                     {"u2", "p2"},
                     {"given", "g"},
                     {"admin", ""},
                     {"ops", "x"}}));

    // Same user, another password: a different pair. A given pair already
    // listed is not repeated; one without a user name is left out.
    EXPECT_EQ(loginCandidates(site, "VX9", "", LoginPair{"ops", "x"}),
              (Pairs{{"ops", "x"}, {"admin", ""}, {"admin", "12345"}}));
    EXPECT_EQ(loginCandidates(site, "", "", LoginPair{"", "p"}),
              (Pairs{{"admin", ""}, {"admin", "12345"}, {"ops", "x"}}));
}

TEST(LoginCandidates, EmptyNamesMatchNoCameraAndNoPairsMeansTheDefault)
{
    SiteCredentials site;
    site.cameras = {CameraLogin{"", "", {"nameless", "entry"}}};
    EXPECT_EQ(loginCandidates(site, "", ""), (Pairs{{"admin", ""}}));
    EXPECT_EQ(loginCandidates(defaultCredentials(), "VX1", "127.0.0.1"), (Pairs{{"admin", ""}}));
}

TEST(DottedIPv4, OnlyFourDecimalNumbersUpTo255)
{
    for (const char* good : {"0.0.0.0", "127.0.10.5", "255.255.255.255", "192.168.1.64"})
        EXPECT_TRUE(isDottedIPv4(good)) << good;
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ", " 1.2.3.4", "1..3.4",
                            "1.2.3.", ".1.2.3", "01.2.3.4", "1.2.3.4:80", "0x7f.0.0.1", "camera-7",
                            "::1", "1.2.3.99999999999", "-1.2.3.4"})
        EXPECT_FALSE(isDottedIPv4(bad)) << bad;
}

} // namespace
} // namespace vexlo::credentials
