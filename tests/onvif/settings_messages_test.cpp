#include "onvif/settings_messages.h"

#include <gtest/gtest.h>

#include <string>

// The settings requests of the configuration push: what they refuse to carry,
// and the shape a camera reads (element order matters to strict parsers).
namespace {

using namespace vexlo::onvif;

TEST(SettingsMessages, RequestsCarryOnlyWhatTheStandardAllows)
{
    const auto ntp = buildSetNTP({"127.0.0.1", "pool.ntp.org"});
    ASSERT_TRUE(ntp);
    const auto dhcp = ntp->find("<tds:FromDHCP>false</tds:FromDHCP>");
    const auto first = ntp->find("<tt:IPv4Address>127.0.0.1</tt:IPv4Address>");
    const auto second = ntp->find("<tt:DNSname>pool.ntp.org</tt:DNSname>");
    EXPECT_LT(dhcp, first);
    EXPECT_LT(first, second);
    EXPECT_NE(second, std::string::npos);

    EXPECT_FALSE(buildSetNTP({}));
    EXPECT_FALSE(buildSetNTP({"bad host!"}));
    EXPECT_FALSE(buildSetNTP({"-leading.dash"}));
    EXPECT_FALSE(buildSetDNS({"dns.example"})) << "DNS servers are addresses";

    EXPECT_TRUE(buildSetUser("admin", "p<&>ss", "Administrator"));
    EXPECT_NE(buildSetUser("admin", "p<&>ss", "Administrator")->find("p&lt;&amp;&gt;ss"),
              std::string::npos);
    EXPECT_FALSE(buildSetUser("admin", "line\nbreak", "Administrator"));
    EXPECT_FALSE(buildSetUser("", "x", "Administrator"));
    EXPECT_FALSE(buildSetUser("admin", "x", "Root"));

    EXPECT_FALSE(buildSetNetworkProtocols({{"HTTP", 0}}));
    EXPECT_FALSE(buildSetNetworkProtocols({{"FTP", 21}}));
    EXPECT_TRUE(buildSetNetworkProtocols({{"HTTP", 8090}, {"RTSP", 554}}));
}

TEST(SettingsMessages, EmptyResponsesAndFaultsAreTold)
{
    const std::string ok =
        R"(<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body>)"
        R"(<x:SetNTPResponse xmlns:x="http://www.onvif.org/ver10/device/wsdl"/>)"
        R"(</s:Body></s:Envelope>)";
    EXPECT_TRUE(parseEmptyResponse(ok, "SetNTPResponse").ok());
    EXPECT_FALSE(parseEmptyResponse(ok, "SetDNSResponse").ok());
    EXPECT_FALSE(parseEmptyResponse("not xml", "SetNTPResponse").ok());
}

} // namespace
