#include "onvif/discovered_device.h"

#include <gtest/gtest.h>

namespace vexlo::onvif {
namespace {

DiscoveryTarget withScopes(std::vector<std::string> scopes, std::string endpoint = "urn:uuid:x")
{
    DiscoveryTarget target;
    target.address = std::move(endpoint);
    target.scopes = std::move(scopes);
    return target;
}

const std::string kBase = "onvif://www.onvif.org/";

TEST(DiscoveredDevice, AStatedSerialAndMacWinOverTheNameAndAreNormalised)
{
    const DeviceIdentity id = guessIdentity(withScopes(
        {kBase + "name/Gate%20Cam", "ONVIF://WWW.ONVIF.ORG/serialnumber/AB%2D12/",
         kBase + "MacAddress/00-1a-2b-3c-4d-5e", kBase + "hardware/DS-2CD", kBase + "name/Other"}));
    EXPECT_EQ(id.serialNo, "AB-12");
    EXPECT_EQ(id.serialClue, Clue::SerialScope);
    EXPECT_EQ(id.macAddress, "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(id.macClue, Clue::MacScope);
    EXPECT_EQ(id.name, "Gate Cam") << "the first name scope";
    EXPECT_EQ(id.hardware, "DS-2CD");

    // Without a stated serial a one-word name stands in for it, and says so.
    EXPECT_EQ(guessIdentity(withScopes({kBase + "name/SN0042"})).serialClue, Clue::NameScope);
    EXPECT_EQ(guessIdentity(withScopes({kBase + "name/Front%20door"})).serialNo, "");
}

TEST(DiscoveredDevice, UnsafeOrBrokenScopeValuesAreLeftOut)
{
    for (const std::string& scope :
         {kBase + "SerialNumber/a%0Ab", kBase + "SerialNumber/bad%zz", kBase + "SerialNumber/x%4",
          kBase + "SerialNumber/" + std::string(kMaxGuessLength + 1, 'A'),
          kBase + "MacAddress/00:00:00:00:00:00", kBase + "MacAddress/00:1a:2b:3c:4d",
          kBase + "MacAddress/00:1a:2b:3c:4d:5e:6f",
          std::string("http://www.onvif.org/SerialNumber/S1"), kBase + "SerialNumber"}) {
        const DeviceIdentity id = guessIdentity(withScopes({scope}, "urn:uuid:none"));
        EXPECT_EQ(id, DeviceIdentity{}) << scope;
    }
}

TEST(DiscoveredDevice, OnlyATimeBasedUuidGivesAMacAwayInItsEndpoint)
{
    const struct
    {
        const char* endpoint;
        const char* mac;
    } cases[] = {
        {"urn:uuid:5f1e0c2a-1dd2-11b2-8000-001a2b3c4d5e", "00:1A:2B:3C:4D:5E"},
        {"uuid:5F1E0C2A-1DD2-11B2-A000-001A2B3C4D5F", "00:1A:2B:3C:4D:5F"},
        {"urn:uuid:5f1e0c2a-1dd2-41b2-8000-001a2b3c4d5e", ""}, // random (version 4)
        {"urn:uuid:5f1e0c2a-1dd2-11b2-8000-011a2b3c4d5e", ""}, // random node: multicast bit
        {"urn:uuid:5f1e0c2a-1dd2-11b2-c000-001a2b3c4d5e", ""}, // not the RFC 4122 variant
        {"urn:uuid:5f1e0c2a1dd211b28000001a2b3c4d5e", ""},
        {"http://127.0.0.1/", ""},
    };
    for (const auto& c : cases) {
        const DeviceIdentity id = guessIdentity(withScopes({}, c.endpoint));
        EXPECT_EQ(id.macAddress, c.mac) << c.endpoint;
        EXPECT_EQ(id.macClue, *c.mac ? Clue::EndpointReference : Clue::None) << c.endpoint;
    }
}

TEST(DiscoveredDevice, OnlyDottedIpv4HostsOfWebUrlsCount)
{
    const struct
    {
        const char* url;
        const char* host;
    } cases[] = {
        {"http://127.0.0.1:8080/onvif/device_service", "127.0.0.1"},
        {"HTTPS://10.1.2.3/onvif", "10.1.2.3"},
        {"http://127.0.0.5", "127.0.0.5"},
        {"http://127.0.0.1@10.0.0.1/", ""},
        {"http://[::1]:80/", ""},
        {"http://camera.local/", ""},
        {"http://127.0.0.1:/", ""},
        {"http://127.0.0.1:123456/", ""},
        {"ftp://127.0.0.1/", ""},
        {"http://127.000.0.1/", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(xaddrIpv4Host(c.url), c.host) << c.url;
}

TEST(DiscoveredDevice, LoopbackModeListsButNeverOffersAnAddressOutsideLoopback)
{
    DiscoveryTarget target = withScopes({});
    target.xaddrs = {"http://10.0.0.5/onvif/device_service", "http://camera.local/x",
                     "http://127.0.0.9:8080/onvif/device_service"};
    DiscoveredDevice loop = describeDevice(target, "127.0.0.9", true);
    EXPECT_EQ(loop.ipAddress, "10.0.0.5");
    EXPECT_EQ(loop.serviceAddress, target.xaddrs[2]);
    EXPECT_TRUE(loop.contactAllowed);

    target.xaddrs.pop_back();
    loop = describeDevice(target, "127.0.0.9", true);
    EXPECT_FALSE(loop.contactAllowed);
    EXPECT_EQ(loop.serviceAddress, "");
    EXPECT_EQ(describeDevice(target, "10.0.0.5", false).serviceAddress, target.xaddrs[0]);

    target.xaddrs.clear();
    loop = describeDevice(target, "127.0.0.9", true);
    EXPECT_EQ(loop.ipAddress, "127.0.0.9") << "without XAddrs the sender is shown";
    EXPECT_FALSE(loop.contactAllowed);
}

} // namespace
} // namespace vexlo::onvif
