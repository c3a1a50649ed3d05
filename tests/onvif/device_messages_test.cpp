#include "onvif/device_messages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>

using namespace vexlo::onvif;
using namespace std::chrono;

namespace {

// A reply kept as written by one make (tests/onvif/replies).
std::string reply(const std::string& name)
{
    std::ifstream file(std::string(VEXLO_ONVIF_REPLIES_DIR) + "/" + name);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_FALSE(content.str().empty()) << name;
    return content.str();
}

// A one-off reply in the simplest style, for cases too small for a file.
std::string answer(const std::string& payload)
{
    return buildEnvelope(
        R"(<tds:)" + payload + "</tds:" + payload.substr(0, payload.find_first_of(" >")) + ">", {},
        std::vector<XmlNamespace>{{"tds", kOnvifDeviceNamespace}, {"tt", kOnvifSchemaNamespace}});
}

// Our request as a camera receives it: wrapped and parsed, its payload. The
// messages are kept for the test binary's life so the nodes stay valid.
pugi::xml_node receive(const std::string& payload)
{
    static std::vector<std::unique_ptr<SoapMessage>> kept;
    std::optional<SoapMessage> message = parseEnvelope(buildEnvelope(payload));
    EXPECT_TRUE(message) << payload;
    if (!message)
        return {};
    kept.push_back(std::make_unique<SoapMessage>(std::move(*message)));
    return kept.back()->payload();
}

sys_seconds at(int y, unsigned mo, unsigned d, int h, int mi, int s)
{
    return sys_days(year{y} / mo / d) + hours(h) + minutes(mi) + seconds(s);
}

TEST(DeviceInformation, CompactTdsAndSoap11PrettyWithVendorElementsCdataAndNoHardwareId)
{
    const std::pair<const char*, DeviceInformation> cases[] = {
        {"device_info_compact.xml",
         {"Acme & Sons", "IPC-B140", "V5.7.3 build 230412", "DS-2CD0001", "88"}},
        {"device_info_soap11_vendor_extras.xml",
         {"Generic", "NVT <4MP>", "2.800.0000000.16.R", "5J0A1B2PAZ", ""}}};
    for (const auto& [file, expected] : cases) {
        const Reply<DeviceInformation> info = parseGetDeviceInformation(reply(file));
        ASSERT_TRUE(info.ok()) << file;
        EXPECT_EQ(*info.value(), expected);
    }
}

TEST(DeviceReplies, FaultsComeBackAsFaultsWhateverTheSoapVersion)
{
    const Reply<DeviceInformation> denied =
        parseGetDeviceInformation(reply("fault_not_authorized_soap12.xml"));
    ASSERT_TRUE(denied.fault());
    EXPECT_TRUE(denied.fault()->mentions("NotAuthorized"));
    const Reply<FirmwareUpload> unsupported =
        parseStartFirmwareUpgrade(reply("fault_action_not_supported_soap11.xml"));
    ASSERT_TRUE(unsupported.fault());
    EXPECT_TRUE(unsupported.fault()->mentions("ActionNotSupported"));
    EXPECT_EQ(unsupported.fault()->reason, "Optional Action Not Implemented");
}

TEST(DeviceReplies, AnotherOperationsAnswerOrNoEnvelopeIsMalformed)
{
    EXPECT_TRUE(parseGetNetworkInterfaces(reply("device_info_compact.xml")).malformed());
    EXPECT_TRUE(parseSystemReboot("<html>401</html>").malformed());
    EXPECT_TRUE(parseSystemReboot("").malformed());
    EXPECT_TRUE(parseGetCapabilities(answer("GetCapabilitiesResponse>")).malformed());
}

TEST(DeviceRequests, EachIsItsOperationInTheDeviceNamespace)
{
    for (const std::string& payload :
         {buildGetDeviceInformation(), buildGetSystemDateAndTime(), buildGetNetworkInterfaces(),
          buildGetNetworkDefaultGateway(), buildSystemReboot(), buildStartFirmwareUpgrade(),
          buildGetCapabilities(), buildGetServices()}) {
        EXPECT_EQ(namespaceOf(receive(payload)), kOnvifDeviceNamespace) << payload;
    }
    EXPECT_EQ(
        text(child(receive(buildSetSystemFactoryDefault(FactoryDefault::Soft)), "FactoryDefault")),
        "Soft");
    EXPECT_NE(buildSetSystemFactoryDefault(FactoryDefault::Hard).find(">Hard<"), std::string::npos);
}

TEST(SystemDateAndTime, UtcReadAcrossALeapDayInAPrettyReply)
{
    const Reply<SystemDateAndTime> got =
        parseGetSystemDateAndTime(reply("date_time_pretty_soap_env.xml"));
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(got.value()->type, DateTimeType::Ntp);
    EXPECT_EQ(got.value()->timeZone, "CST-8");
    EXPECT_EQ(got.value()->utc, at(2024, 2, 29, 23, 59, 58));
    EXPECT_FALSE(got.value()->fromLocalTime);
}

TEST(SystemDateAndTime, LocalTimeOnlyWithDefaultNamespacesIsTurnedToUtcWithSummerTime)
{
    const Reply<SystemDateAndTime> got =
        parseGetSystemDateAndTime(reply("date_time_local_only_default_ns.xml"));
    ASSERT_TRUE(got.ok());
    EXPECT_TRUE(got.value()->daylightSavings);
    EXPECT_EQ(got.value()->utc, at(2024, 7, 15, 12, 30, 0)); // 14:30 CEST
    EXPECT_TRUE(got.value()->fromLocalTime);
}

TEST(SystemDateAndTime, UnreadableClocksAreMalformedUnlessTheOtherOneReads)
{
    const auto clock = [](const char* name, const char* day) {
        return std::string("<tt:") + name +
               "><tt:Time><tt:Hour>1</tt:Hour><tt:Minute>2</tt:Minute>" +
               "<tt:Second>3</tt:Second></tt:Time><tt:Date><tt:Year>2023</tt:Year><tt:Month>2" +
               "</tt:Month><tt:Day>" + day + "</tt:Day></tt:Date></tt:" + name + ">";
    };
    const std::string badUtc = clock("UTCDateTime", "29");
    const std::string local =
        "<tt:TimeZone><tt:TZ>UTC</tt:TZ></tt:TimeZone>" + clock("LocalDateTime", "28");
    const auto parse = [](const std::string& inner) {
        return parseGetSystemDateAndTime(
            answer("GetSystemDateAndTimeResponse><tds:SystemDateAndTime>" + inner +
                   "</tds:SystemDateAndTime>"));
    };
    EXPECT_TRUE(parse(badUtc).malformed()); // 29 February 2023
    const Reply<SystemDateAndTime> fallback = parse(badUtc + local);
    ASSERT_TRUE(fallback.ok());
    EXPECT_EQ(fallback.value()->utc, at(2023, 2, 28, 1, 2, 3));
    const Reply<SystemDateAndTime> none = parse("<tt:DateTimeType>Manual</tt:DateTimeType>");
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none.value()->utc);
}

TEST(SystemDateAndTime, SetRequestCarriesUtcTimeBeforeDateAndKeepsTheCamerasZone)
{
    const sys_seconds when = at(2031, 12, 31, 23, 5, 9);
    const pugi::xml_node plain = receive(buildSetSystemDateAndTime(when + milliseconds(999)));
    EXPECT_EQ(text(child(plain, "DateTimeType")), "Manual");
    EXPECT_EQ(text(child(plain, "DaylightSavings")), "false");
    EXPECT_FALSE(child(plain, "TimeZone"));
    const pugi::xml_node utc = child(plain, "UTCDateTime");
    EXPECT_EQ(localName(firstChildElement(utc).name()), "Time");
    EXPECT_EQ(text(find(utc, {"Time", "Second"})), "9");
    EXPECT_EQ(text(find(utc, {"Date", "Year"})), "2031");
    EXPECT_EQ(namespaceOf(find(utc, {"Date", "Day"})), kOnvifSchemaNamespace);

    const pugi::xml_node kept =
        receive(buildSetSystemDateAndTime(when, ZoneSetting{"<+08>-8", true}));
    EXPECT_EQ(text(find(kept, {"TimeZone", "TZ"})), "<+08>-8");
    EXPECT_EQ(text(child(kept, "DaylightSavings")), "true");

    const pugi::xml_node ntp = receive(buildSetSystemDateAndTimeNtp(ZoneSetting{" ", false}));
    EXPECT_EQ(text(child(ntp, "DateTimeType")), "NTP");
    EXPECT_FALSE(child(ntp, "UTCDateTime"));
    EXPECT_FALSE(child(ntp, "TimeZone")); // blank zones are left out, not sent empty
}

TEST(SystemDateAndTime, PosixZonesGiveTheirOffsetIncludingSummerTimeChanges)
{
    struct Case
    {
        const char* tz;
        bool dst;
        sys_seconds utc;
        std::optional<seconds> offset;
    };
    const sys_seconds january = at(2024, 1, 15, 12, 0, 0);
    const sys_seconds july = at(2024, 7, 15, 12, 0, 0);
    const Case cases[] = {
        {"CST-8", false, july, hours(8)},
        {"<+0530>-5:30", false, july, hours(5) + minutes(30)},
        {"GMT+08:00", false, july, hours(-8)}, // POSIX sign: west of Greenwich
        {"UTC", false, july, seconds(0)},
        {"EST5EDT,M3.2.0,M11.1.0", true, january, hours(-5)},
        {"EST5EDT,M3.2.0,M11.1.0", true, july, hours(-4)},
        {"EST5EDT,M3.2.0,M11.1.0", false, july, hours(-5)}, // summer time switched off
        {"EST5EDT", true, july, hours(-4)},
        // 10 March 2024, 02:00 EST is 07:00 UTC.
        {"EST5EDT,M3.2.0/2,M11.1.0", true, at(2024, 3, 10, 6, 59, 59), hours(-5)},
        {"EST5EDT,M3.2.0/2,M11.1.0", true, at(2024, 3, 10, 7, 0, 0), hours(-4)},
        // Southern hemisphere: summer spans the new year.
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", true, january, hours(11)},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", true, july, hours(10)},
        {"XYZ-3ABC,J60,300", true, july, hours(4)},
        {"", false, july, std::nullopt},
        {"8", false, july, std::nullopt},
        {"CST-99", false, july, std::nullopt},
        {"EST5EDT,M13.2.0,M11.1.0", true, july, std::nullopt},
        {"EST5EDT,M3.2.0", true, july, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utcOffset(c.tz, c.dst, c.utc), c.offset) << c.tz;
}

TEST(Durations, CameraStylesReadAndNonsenseIsRefused)
{
    const std::pair<const char*, long long> good[] = {
        {"PT5S", 5000},    {"PT1M30S", 90000},  {"P0DT0H2M", 120000},
        {"PT0.5S", 500},   {" PT10S\n", 10000}, {"P0Y0M0DT0H0M5.2509S", 5250},
        {"P1D", 86400000}, {"PT0S", 0},         {"PT36H", 129600000}};
    for (const auto& [value, ms] : good)
        EXPECT_EQ(parseDuration(value), milliseconds(ms)) << value;
    for (const char* bad :
         {"", "P", "PT", "5S", "-PT5S", "PT5", "PT5H5H", "PT1S1M", "P5H", "PT1.5M", "P1DT", "PT.5S",
          "PT5S x", "P2Y", "PT999999999999S", "P999999999999Y", "PT99999999999999999999S", "P1M1Y"})
        EXPECT_FALSE(parseDuration(bad)) << bad;
}

TEST(Netmasks, PrefixLengthsAndDottedMasksConvertBothWays)
{
    EXPECT_EQ(prefixToNetmask(0), "0.0.0.0");
    EXPECT_EQ(prefixToNetmask(23), "255.255.254.0");
    EXPECT_EQ(prefixToNetmask(32), "255.255.255.255");
    EXPECT_FALSE(prefixToNetmask(-1));
    EXPECT_FALSE(prefixToNetmask(33));
    for (int prefix = 0; prefix <= 32; ++prefix)
        EXPECT_EQ(netmaskToPrefix(*prefixToNetmask(prefix)), prefix);
    for (const char* bad : {"255.0.255.0", "255.255.255", "256.0.0.0", "255.255.255.0.0",
                            "0xff.0.0.0", "255.255.255.01", "", "255.255.255.0 junk"})
        EXPECT_FALSE(netmaskToPrefix(bad)) << bad;
}

TEST(NetworkInterfaces, DhcpInterfacePrettyPrintedWithLinkIPv6AndExtensions)
{
    const auto got = parseGetNetworkInterfaces(reply("network_interfaces_dhcp_pretty.xml"));
    ASSERT_TRUE(got.ok());
    const NetworkInterface eth{"eth0",
                               true,
                               "eth0",
                               "bc:ad:28:01:02:03",
                               true,
                               true,
                               {{"192.168.1.64", 24}},
                               PrefixedAddress{"10.0.5.23", 23},
                               PrefixedAddress{"169.254.10.20", 16}};
    EXPECT_EQ(*got.value(), std::vector{eth});
    EXPECT_EQ(currentIPv4(eth), eth.fromDhcp); // the lease wins under DHCP
}

TEST(NetworkInterfaces, PrefixedTokenNumericBooleansAndBadAddressesLeftOut)
{
    const auto got = parseGetNetworkInterfaces(reply("network_interfaces_two_compact.xml"));
    ASSERT_TRUE(got.ok());
    // 192.168.0.300 and a /33 are not passed on.
    const NetworkInterface first{"NetworkInterfaceToken_1", true, "",
                                 "00-12-34-56-78-9A",       true, false,
                                 {{"192.168.0.120", 24}},   {},   {}};
    const NetworkInterface second{"wlan0", false, "", "00:12:34:56:78:9b", false, false,
                                  {},      {},    {}};
    EXPECT_EQ(*got.value(), (std::vector{first, second}));
    EXPECT_EQ(currentIPv4(first), first.manual[0]);
    EXPECT_FALSE(currentIPv4(second));
}

TEST(NetworkInterfaces, SetRequestIsManualIPv4WithDhcpOffAndRefusesUnsafeValues)
{
    const std::optional<std::string> built = buildSetNetworkInterfaces("eth<0>", "10.1.2.3", 16);
    ASSERT_TRUE(built);
    const pugi::xml_node got = receive(*built);
    EXPECT_EQ(text(child(got, "InterfaceToken")), "eth<0>");
    const pugi::xml_node ipv4 = find(got, {"NetworkInterface", "IPv4"});
    EXPECT_EQ(namespaceOf(ipv4), kOnvifSchemaNamespace);
    EXPECT_EQ(text(find(ipv4, {"Manual", "Address"})), "10.1.2.3");
    EXPECT_EQ(text(find(ipv4, {"Manual", "PrefixLength"})), "16");
    EXPECT_EQ(text(child(ipv4, "DHCP")), "false");
    const std::tuple<const char*, const char*, int> refused[] = {
        {"", "10.1.2.3", 16},      {"eth0", "10.1.2.3", 0},
        {"eth0", "10.1.2.3", 33},  {"eth0", "10.1.2.300", 24},
        {"eth0", "cam.local", 24}, {"eth0", "1.2.3.4</tt:Address><tt:DHCP>true", 24}};
    for (const auto& [token, address, prefix] : refused)
        EXPECT_FALSE(buildSetNetworkInterfaces(token, address, prefix)) << address << "/" << prefix;
}

TEST(NetworkInterfaces, RebootNeededUnlessTheCameraClearlySaysNo)
{
    const auto parse = [](const std::string& inner) {
        return *parseSetNetworkInterfaces(answer("SetNetworkInterfacesResponse>" + inner)).value();
    };
    EXPECT_FALSE(parse("<tds:RebootNeeded>false</tds:RebootNeeded>"));
    EXPECT_TRUE(parse("<tds:RebootNeeded> true </tds:RebootNeeded>"));
    EXPECT_TRUE(parse(""));
    EXPECT_TRUE(parse("<tds:RebootNeeded>maybe</tds:RebootNeeded>"));
}

TEST(NetworkGateway, OnlyIPv4AddressesAreKeptAndOnlyThoseAreSent)
{
    const auto got = parseGetNetworkDefaultGateway(reply("gateway_ipv4_and_ipv6.xml"));
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got.value(), std::vector<std::string>{"192.168.1.1"});
    const std::optional<std::string> set = buildSetNetworkDefaultGateway("192.168.1.254");
    ASSERT_TRUE(set);
    EXPECT_EQ(text(child(receive(*set), "IPv4Address")), "192.168.1.254");
    EXPECT_FALSE(buildSetNetworkDefaultGateway("fe80::1"));
}

TEST(DeviceReplies, RebootMessageReadAndEmptyAnswersAccepted)
{
    EXPECT_EQ(*parseSystemReboot(answer("SystemRebootResponse><tds:Message>Rebooting in 30 s"
                                        "</tds:Message>"))
                   .value(),
              "Rebooting in 30 s");
    EXPECT_EQ(*parseSystemReboot(answer("SystemRebootResponse>")).value(), "");
    EXPECT_TRUE(parseSetSystemFactoryDefault(answer("SetSystemFactoryDefaultResponse>")).ok());
    EXPECT_TRUE(parseSetNetworkDefaultGateway(answer("SetNetworkDefaultGatewayResponse>")).ok());
    EXPECT_TRUE(parseSetSystemDateAndTime(answer("SetSystemDateAndTimeResponse>")).ok());
}

TEST(FirmwareUpgrade, UploadUriUnescapedAndDurationsRead)
{
    const Reply<FirmwareUpload> got =
        parseStartFirmwareUpgrade(reply("firmware_upgrade_start.xml"));
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got.value(),
              (FirmwareUpload{"http://192.168.1.64:80/onvif/firmware?session=7f3a&part=1",
                              seconds(5), seconds(90)}));
}

TEST(FirmwareUpgrade, NoUriOrAnUnreadableDelayIsMalformedButMissingDelaysAreZero)
{
    const auto parse = [](const std::string& inner) {
        return parseStartFirmwareUpgrade(answer("StartFirmwareUpgradeResponse>" + inner));
    };
    EXPECT_TRUE(parse("<tds:UploadDelay>PT1S</tds:UploadDelay>").malformed());
    EXPECT_TRUE(
        parse("<tds:UploadUri>http://c/u</tds:UploadUri><tds:UploadDelay>5</tds:UploadDelay>")
            .malformed());
    const Reply<FirmwareUpload> bare = parse("<tds:UploadUri>http://c/u</tds:UploadUri>");
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ(*bare.value(), (FirmwareUpload{"http://c/u", {}, {}}));
}

TEST(Capabilities, AllCategoriesWithTheHttpUpgradeInTheSystemExtension)
{
    const Reply<DeviceServices> got = parseGetCapabilities(reply("capabilities_all.xml"));
    ASSERT_TRUE(got.ok());
    const std::string base = "http://192.168.1.64/onvif/";
    EXPECT_EQ(*got.value(),
              (DeviceServices{base + "device_service", base + "Media", "", base + "Imaging",
                              base + "Analytics", base + "Events", true, true}));

    const Reply<DeviceServices> bare = parseGetCapabilities(answer(
        "GetCapabilitiesResponse><tds:Capabilities><tt:Device><tt:XAddr>http://c/d</tt:XAddr>"
        "</tt:Device></tds:Capabilities>"));
    ASSERT_TRUE(bare.ok());
    EXPECT_FALSE(bare.value()->firmwareUpgrade); // not told, rather than "no"
    EXPECT_FALSE(bare.value()->httpFirmwareUpgrade);
}

TEST(Services, DefaultNamespaceTrailingSlashesAndUnknownServices)
{
    const Reply<DeviceServices> got = parseGetServices(reply("services_with_capabilities.xml"));
    ASSERT_TRUE(got.ok());
    const std::string base = "http://10.1.2.3:8080/onvif/";
    // httpFirmwareUpgrade from the device service's System attribute; nothing else said.
    EXPECT_EQ(*got.value(), (DeviceServices{base + "device_service",
                                            base + "media_service",
                                            base + "media2_service",
                                            base + "imaging_service",
                                            "",
                                            base + "event_service",
                                            true,
                                            {}}));
}

} // namespace
