#include "ipcsim/onvif/device_service.h"

#include "ipcsim/address.h"
#include "ipcsim/camera.h"
#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <map>

namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::child;
using vexlo::onvif::children;
using vexlo::onvif::SoapFault;
using vexlo::onvif::text;
using vexlo::onvif::XmlWriter;

constexpr std::string_view kInterfaceToken = "eth0";
// Longer lists of servers or domains are cut: nothing a client sends makes
// the camera's memory grow without end.
constexpr std::size_t kMaxListEntries = 8;
constexpr std::size_t kMaxEntryBytes = 255;

SoapFault senderFault(std::string sub, std::string reason)
{
    return SoapFault{"Sender", {"InvalidArgVal", std::move(sub)}, std::move(reason)};
}

// A response element with the device and schema namespaces declared on it.
XmlWriter response(std::string_view name)
{
    XmlWriter w;
    w.open("tds:" + std::string(name))
        .attribute("xmlns:tds", kDeviceNamespace)
        .attribute("xmlns:tt", kSchemaNamespace);
    return w;
}

ServiceResult answer(XmlWriter& w, std::string note = {})
{
    return ServiceAnswer{w.finish(), std::move(note)};
}

ServiceResult empty(std::string_view name, std::string note = {})
{
    XmlWriter w = response(name);
    return answer(w, std::move(note));
}

ServiceResult fault(SoapFault fault)
{
    return fault;
}

const char* boolText(bool value)
{
    return value ? "true" : "false";
}

std::optional<bool> parseBool(std::string_view value)
{
    if (value == "true" || value == "1") {
        return true;
    }
    if (value == "false" || value == "0") {
        return false;
    }
    return std::nullopt;
}

std::optional<int> parseInt(std::string_view value)
{
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size()) {
        return std::nullopt;
    }
    return number;
}

int prefixLength(const std::string& netmask)
{
    return std::popcount(parseIpv4(netmask).value_or(0));
}

std::string netmaskOf(int prefix)
{
    const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    return formatIpv4(mask);
}

// IPv4 texts from every `name` child of `parent`, or nothing when one is unreadable.
std::optional<std::vector<std::string>> addressList(pugi::xml_node parent, std::string_view name,
                                                    std::string_view inner = {})
{
    std::vector<std::string> list;
    for (const pugi::xml_node node : children(parent, name)) {
        const pugi::xml_node holder = inner.empty() ? node : child(node, inner);
        const std::string value = text(holder);
        if (!parseIpv4(value)) {
            return std::nullopt;
        }
        if (list.size() < kMaxListEntries) {
            list.push_back(value);
        }
    }
    return list;
}

// --- date and time ----------------------------------------------------------

void writeDateTime(XmlWriter& w, std::string_view name, std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss time{floor<seconds>(when - day)};
    w.open(name);
    w.open("tt:Time")
        .element("tt:Hour", std::to_string(time.hours().count()))
        .element("tt:Minute", std::to_string(time.minutes().count()))
        .element("tt:Second", std::to_string(time.seconds().count()))
        .close();
    w.open("tt:Date")
        .element("tt:Year", std::to_string(static_cast<int>(date.year())))
        .element("tt:Month", std::to_string(static_cast<unsigned>(date.month())))
        .element("tt:Day", std::to_string(static_cast<unsigned>(date.day())))
        .close();
    w.close();
}

std::string isoText(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto day = floor<days>(when);
    const year_month_day date{day};
    const hh_mm_ss time{floor<seconds>(when - day)};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buffer;
}

ServiceResult getSystemDateAndTime(DeviceContext& context)
{
    const DeviceSettings& s = context.settings;
    const auto now = s.cameraNow();
    XmlWriter w = response("GetSystemDateAndTimeResponse");
    w.open("tds:SystemDateAndTime")
        .element("tt:DateTimeType", s.timeFromNtp ? "NTP" : "Manual")
        .element("tt:DaylightSavings", boolText(s.daylightSavings));
    w.open("tt:TimeZone").element("tt:TZ", s.timeZone).close();
    writeDateTime(w, "tt:UTCDateTime", now);
    // Time zones are kept as given but not applied: local time is UTC.
    writeDateTime(w, "tt:LocalDateTime", now);
    w.close();
    return answer(w, isoText(now));
}

ServiceResult setSystemDateAndTime(pugi::xml_node payload, DeviceContext& context)
{
    DeviceSettings& s = context.settings;
    const std::string type = text(child(payload, "DateTimeType"));
    if (type != "Manual" && type != "NTP") {
        return fault(senderFault("InvalidDateTime", "DateTimeType must be Manual or NTP"));
    }
    const std::string zone = text(child(child(payload, "TimeZone"), "TZ"));
    if (zone.size() > kMaxEntryBytes) {
        return fault(senderFault("InvalidTimeZone", "time zone too long"));
    }
    std::optional<std::chrono::system_clock::time_point> manual;
    if (type == "Manual") {
        const pugi::xml_node utc = child(payload, "UTCDateTime");
        const pugi::xml_node date = child(utc, "Date");
        const pugi::xml_node time = child(utc, "Time");
        const auto year = parseInt(text(child(date, "Year")));
        const auto month = parseInt(text(child(date, "Month")));
        const auto day = parseInt(text(child(date, "Day")));
        const auto hour = parseInt(text(child(time, "Hour")));
        const auto minute = parseInt(text(child(time, "Minute")));
        const auto second = parseInt(text(child(time, "Second")));
        using namespace std::chrono;
        const bool present = year && month && day && hour && minute && second;
        const year_month_day ymd =
            present ? year_month_day{std::chrono::year{*year},
                                     std::chrono::month(static_cast<unsigned>(*month)),
                                     std::chrono::day(static_cast<unsigned>(*day))}
                    : year_month_day{};
        if (!present || *year < 1970 || *year > 2099 || *month < 1 || *day < 1 || !ymd.ok() ||
            *hour < 0 || *hour > 23 || *minute < 0 || *minute > 59 || *second < 0 || *second > 59) {
            return fault(senderFault("InvalidDateTime", "not a valid UTC date and time"));
        }
        manual = sys_days{ymd} + hours{*hour} + minutes{*minute} + seconds{*second};
    }
    s.timeFromNtp = type == "NTP";
    if (const auto dst = parseBool(text(child(payload, "DaylightSavings")))) {
        s.daylightSavings = *dst;
    }
    if (!zone.empty()) {
        s.timeZone = zone;
    }
    if (manual) {
        s.clockOffset = *manual - std::chrono::system_clock::now();
    } else {
        s.clockOffset = {}; // synchronised by NTP: the host's clock is the right time
    }
    const std::string set = isoText(s.cameraNow());
    context.camera.recordTime(set);
    return empty("SetSystemDateAndTimeResponse", "time set to " + set);
}

// --- identity ----------------------------------------------------------------

ServiceResult getDeviceInformation(DeviceContext& context)
{
    const CameraSetup& setup = context.camera.setup();
    XmlWriter w = response("GetDeviceInformationResponse");
    w.element("tds:Manufacturer", "Vexlo Simulated")
        .element("tds:Model", setup.type)
        .element("tds:FirmwareVersion", context.camera.runningVersion())
        .element("tds:SerialNumber", setup.serial)
        .element("tds:HardwareId", setup.mac);
    return answer(w, "version " + std::string(context.camera.runningVersion()));
}

// --- network -------------------------------------------------------------------

ServiceResult getNetworkInterfaces(DeviceContext& context)
{
    Camera& camera = context.camera;
    XmlWriter w = response("GetNetworkInterfacesResponse");
    w.open("tds:NetworkInterfaces").attribute("token", kInterfaceToken);
    w.element("tt:Enabled", "true");
    w.open("tt:Info")
        .element("tt:Name", kInterfaceToken)
        .element("tt:HwAddress", camera.setup().mac)
        .element("tt:MTU", "1500")
        .close();
    w.open("tt:IPv4").element("tt:Enabled", "true").open("tt:Config");
    w.open("tt:Manual")
        .element("tt:Address", camera.currentAddress())
        .element("tt:PrefixLength", std::to_string(prefixLength(camera.currentNetmask())))
        .close();
    w.element("tt:DHCP", "false").close().close();
    w.close();
    return answer(w);
}

ServiceResult setNetworkInterfaces(pugi::xml_node payload, DeviceContext& context)
{
    Camera& camera = context.camera;
    if (text(child(payload, "InterfaceToken")) != kInterfaceToken) {
        return fault(senderFault("InvalidNetworkInterface", "no such network interface"));
    }
    const pugi::xml_node ipv4 = child(child(payload, "NetworkInterface"), "IPv4");
    if (!ipv4) {
        return empty("SetNetworkInterfacesResponse", "nothing to change");
    }
    if (parseBool(text(child(ipv4, "DHCP"))).value_or(false)) {
        // There is no DHCP server on loopback; a camera asking for one would be lost.
        return fault(senderFault("InvalidIPv4Address", "DHCP is not available"));
    }
    const pugi::xml_node manual = child(ipv4, "Manual");
    if (!manual) {
        return empty("SetNetworkInterfacesResponse", "nothing to change");
    }
    const std::string address = text(child(manual, "Address"));
    const auto prefix = parseInt(text(child(manual, "PrefixLength")));
    if (!parseIpv4(address) || !prefix || *prefix < 1 || *prefix > 32) {
        return fault(senderFault("InvalidIPv4Address", "not an IPv4 address and prefix"));
    }
    if (camera.setup().faults.modifyIpRefused) {
        return fault(SoapFault{"Sender", {"OperationProhibited"}, "address change refused"});
    }
    const std::string from = camera.currentAddress();
    const auto status = camera.relocate(address, netmaskOf(*prefix), camera.currentGateway());
    if (status != protocol::ModifyIpStatus::Accepted) {
        return fault(
            senderFault("InvalidIPv4Address", "address " + address + " is not usable or taken"));
    }
    XmlWriter w = response("SetNetworkInterfacesResponse");
    w.element("tds:RebootNeeded", "false");
    return answer(w, "moved from " + from + " to " + address);
}

ServiceResult getNetworkDefaultGateway(DeviceContext& context)
{
    XmlWriter w = response("GetNetworkDefaultGatewayResponse");
    w.open("tds:NetworkGateway").element("tt:IPv4Address", context.camera.currentGateway()).close();
    return answer(w);
}

ServiceResult setNetworkDefaultGateway(pugi::xml_node payload, DeviceContext& context)
{
    const auto gateways = addressList(payload, "IPv4Address");
    if (!gateways) {
        return fault(senderFault("InvalidGatewayAddress", "not an IPv4 address"));
    }
    if (gateways->empty()) {
        return empty("SetNetworkDefaultGatewayResponse", "nothing to change");
    }
    context.camera.setGateway(gateways->front());
    return empty("SetNetworkDefaultGatewayResponse", "gateway " + gateways->front());
}

ServiceResult getDns(DeviceContext& context)
{
    const DeviceSettings& s = context.settings;
    XmlWriter w = response("GetDNSResponse");
    w.open("tds:DNSInformation").element("tt:FromDHCP", boolText(s.dnsFromDhcp));
    for (const auto& domain : s.searchDomains) {
        w.element("tt:SearchDomain", domain);
    }
    for (const auto& server : s.dnsServers) {
        w.open("tt:DNSManual").element("tt:Type", "IPv4").element("tt:IPv4Address", server).close();
    }
    w.close();
    return answer(w);
}

ServiceResult setDns(pugi::xml_node payload, DeviceContext& context)
{
    const auto servers = addressList(payload, "DNSManual", "IPv4Address");
    if (!servers) {
        return fault(senderFault("InvalidIPv4Address", "not an IPv4 address"));
    }
    std::vector<std::string> domains;
    for (const pugi::xml_node node : children(payload, "SearchDomain")) {
        const std::string domain = text(node);
        if (domain.size() > kMaxEntryBytes) {
            return fault(senderFault("InvalidArgVal", "search domain too long"));
        }
        if (domains.size() < kMaxListEntries) {
            domains.push_back(domain);
        }
    }
    DeviceSettings& s = context.settings;
    s.dnsFromDhcp = parseBool(text(child(payload, "FromDHCP"))).value_or(false);
    s.dnsServers = *servers;
    s.searchDomains = std::move(domains);
    return empty("SetDNSResponse");
}

ServiceResult getNtp(DeviceContext& context)
{
    const DeviceSettings& s = context.settings;
    XmlWriter w = response("GetNTPResponse");
    w.open("tds:NTPInformation").element("tt:FromDHCP", boolText(s.ntpFromDhcp));
    for (const auto& server : s.ntpServers) {
        w.open("tt:NTPManual").element("tt:Type", "IPv4").element("tt:IPv4Address", server).close();
    }
    w.close();
    return answer(w);
}

ServiceResult setNtp(pugi::xml_node payload, DeviceContext& context)
{
    const auto servers = addressList(payload, "NTPManual", "IPv4Address");
    if (!servers) {
        // Only IPv4 servers: a name would have to be looked up off loopback.
        return fault(senderFault("InvalidIPv4Address", "only IPv4 NTP servers are taken"));
    }
    DeviceSettings& s = context.settings;
    s.ntpFromDhcp = parseBool(text(child(payload, "FromDHCP"))).value_or(false);
    s.ntpServers = *servers;
    return empty("SetNTPResponse");
}

ServiceResult getNetworkProtocols(DeviceContext& context)
{
    const DeviceSettings& s = context.settings;
    XmlWriter w = response("GetNetworkProtocolsResponse");
    const auto entry = [&w](std::string_view name, bool enabled, std::uint16_t port) {
        w.open("tds:NetworkProtocols")
            .element("tt:Name", name)
            .element("tt:Enabled", boolText(enabled))
            .element("tt:Port", std::to_string(port))
            .close();
    };
    entry("HTTP", true, s.httpPort);
    entry("HTTPS", false, 443);
    entry("RTSP", true, s.rtspPort);
    return answer(w);
}

ServiceResult setNetworkProtocols(pugi::xml_node payload, DeviceContext& context)
{
    std::uint16_t http = context.settings.httpPort;
    std::uint16_t rtsp = context.settings.rtspPort;
    for (const pugi::xml_node entry : children(payload, "NetworkProtocols")) {
        const std::string name = text(child(entry, "Name"));
        const bool enabled = parseBool(text(child(entry, "Enabled"))).value_or(false);
        const auto port = parseInt(text(child(entry, "Port")));
        if (name == "HTTPS") {
            if (enabled) {
                return fault(SoapFault{"Receiver",
                                       {"ActionNotSupported", "EnablingTlsFailed"},
                                       "this camera has no TLS"});
            }
            continue;
        }
        if (name != "HTTP" && name != "RTSP") {
            return fault(senderFault("ServiceNotSupported", "unknown protocol " + name));
        }
        // Switching off the only way in would leave the camera unreachable for good.
        if (!enabled || !port || *port < 1 || *port > 65535) {
            return fault(senderFault("PortAlreadyInUse", name + " must stay on, on a port"));
        }
        (name == "HTTP" ? http : rtsp) = static_cast<std::uint16_t>(*port);
    }
    const CameraSetup& setup = context.camera.setup();
    if (http == rtsp || (setup.speaksVexlo() && (http == setup.port || rtsp == setup.port))) {
        return fault(senderFault("PortAlreadyInUse", "ports must differ"));
    }
    if ((http != context.settings.httpPort || rtsp != context.settings.rtspPort) &&
        !context.changePorts(http, rtsp)) {
        return fault(senderFault("PortAlreadyInUse", "port cannot be bound"));
    }
    return empty("SetNetworkProtocolsResponse",
                 "HTTP " + std::to_string(http) + ", RTSP " + std::to_string(rtsp));
}

// --- users ---------------------------------------------------------------------

ServiceResult getUsers(DeviceContext& context)
{
    XmlWriter w = response("GetUsersResponse");
    for (const DeviceUser& user : context.settings.users) {
        // Passwords are never read back.
        w.open("tds:User")
            .element("tt:Username", user.name)
            .element("tt:UserLevel", user.level)
            .close();
    }
    return answer(w);
}

ServiceResult setUser(pugi::xml_node payload, DeviceContext& context)
{
    std::vector<DeviceUser> users = context.settings.users;
    std::string names;
    for (const pugi::xml_node node : children(payload, "User")) {
        const std::string name = text(child(node, "Username"));
        const auto found = std::find_if(users.begin(), users.end(),
                                        [&name](const DeviceUser& u) { return u.name == name; });
        if (found == users.end()) {
            return fault(senderFault("UsernameMissing", "no such user"));
        }
        const pugi::xml_node password = child(node, "Password");
        if (password) {
            const std::string value = text(password);
            if (value.size() > 63 || std::any_of(value.begin(), value.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x20;
                })) {
                return fault(senderFault("PasswordTooLong", "password not acceptable"));
            }
            found->password = value;
        }
        const std::string level = text(child(node, "UserLevel"));
        if (!level.empty()) {
            if (level != "Administrator" && level != "Operator" && level != "User") {
                return fault(senderFault("UserLevel", "unknown user level"));
            }
            found->level = level;
        }
        names += (names.empty() ? "" : ", ") + name;
    }
    context.settings.users = std::move(users);
    return empty("SetUserResponse", names.empty() ? "nothing to change" : "changed " + names);
}

// --- services --------------------------------------------------------------------

struct ServiceEntry
{
    std::string_view ns;
    std::string_view path;
    int major;
    int minor;
};

constexpr std::array kServices{
    ServiceEntry{kDeviceNamespace, kDevicePath, 2, 60},
    ServiceEntry{kMediaNamespace, kMediaPath, 2, 60},
    ServiceEntry{kImagingNamespace, kImagingPath, 2, 60},
    ServiceEntry{kAnalyticsNamespace, kAnalyticsPath, 2, 60},
    ServiceEntry{kDeviceIoNamespace, kDeviceIoPath, 2, 60},
};

ServiceResult getServices(DeviceContext& context)
{
    // Capabilities are optional in this answer and left out; GetCapabilities has them.
    XmlWriter w = response("GetServicesResponse");
    for (const ServiceEntry& service : kServices) {
        w.open("tds:Service")
            .element("tds:Namespace", service.ns)
            .element("tds:XAddr", context.baseUrl + std::string(service.path));
        w.open("tds:Version")
            .element("tt:Major", std::to_string(service.major))
            .element("tt:Minor", std::to_string(service.minor))
            .close();
        w.close();
    }
    return answer(w);
}

ServiceResult getCapabilities(pugi::xml_node payload, DeviceContext& context)
{
    std::vector<std::string> wanted;
    for (const pugi::xml_node node : children(payload, "Category")) {
        wanted.push_back(text(node));
    }
    const auto asks = [&wanted](std::string_view category) {
        return wanted.empty() || std::find(wanted.begin(), wanted.end(), "All") != wanted.end() ||
               std::find(wanted.begin(), wanted.end(), category) != wanted.end();
    };
    if (!asks("Analytics") && !asks("Device") && !asks("Imaging") && !asks("Media")) {
        return fault(SoapFault{
            "Receiver", {"ActionNotSupported", "NoSuchService"}, "no such service on this camera"});
    }
    const std::string& base = context.baseUrl;
    XmlWriter w = response("GetCapabilitiesResponse");
    w.open("tds:Capabilities");
    if (asks("Analytics")) {
        w.open("tt:Analytics")
            .element("tt:XAddr", base + std::string(kAnalyticsPath))
            .element("tt:RuleSupport", "true")
            .element("tt:AnalyticsModuleSupport", "true")
            .close();
    }
    if (asks("Device")) {
        w.open("tt:Device").element("tt:XAddr", base + std::string(kDevicePath));
        w.open("tt:Network")
            .element("tt:IPFilter", "false")
            .element("tt:ZeroConfiguration", "false")
            .element("tt:IPVersion6", "false")
            .element("tt:DynDNS", "false")
            .close();
        w.open("tt:System")
            .element("tt:DiscoveryResolve", "false")
            .element("tt:DiscoveryBye", "true")
            .element("tt:RemoteDiscovery", "false")
            .element("tt:SystemBackup", "false")
            .element("tt:SystemLogging", "false")
            .element("tt:FirmwareUpgrade", "true");
        w.open("tt:SupportedVersions").element("tt:Major", "2").element("tt:Minor", "60").close();
        w.close();
        w.open("tt:Security")
            .element("tt:TLS1.1", "false")
            .element("tt:TLS1.2", "false")
            .element("tt:OnboardKeyGeneration", "false")
            .element("tt:AccessPolicyConfig", "false")
            .element("tt:X.509Token", "false")
            .element("tt:SAMLToken", "false")
            .element("tt:KerberosToken", "false")
            .element("tt:RELToken", "false")
            .close();
        w.close();
    }
    if (asks("Imaging")) {
        w.open("tt:Imaging").element("tt:XAddr", base + std::string(kImagingPath)).close();
    }
    if (asks("Media")) {
        w.open("tt:Media").element("tt:XAddr", base + std::string(kMediaPath));
        w.open("tt:StreamingCapabilities")
            .element("tt:RTPMulticast", "false")
            .element("tt:RTP_TCP", "true")
            .element("tt:RTP_RTSP_TCP", "true")
            .close();
        w.close();
    }
    if (asks("All")) {
        w.open("tt:Extension").open("tt:DeviceIO");
        w.element("tt:XAddr", base + std::string(kDeviceIoPath))
            .element("tt:VideoSources", "1")
            .element("tt:VideoOutputs", "0")
            .element("tt:AudioSources", "1")
            .element("tt:AudioOutputs", "0")
            .element("tt:RelayOutputs", "0");
        w.close().close();
    }
    w.close();
    return answer(w);
}

// --- maintenance ----------------------------------------------------------------

std::string durationText(double seconds)
{
    return "PT" + std::to_string(static_cast<long long>(seconds + 0.5)) + "S";
}

ServiceResult systemReboot(DeviceContext& context)
{
    const double seconds = context.camera.setup().rebootSeconds;
    context.camera.goDown(protocol::CloseReason::Reboot);
    XmlWriter w = response("SystemRebootResponse");
    w.element("tds:Message",
              "Rebooting in " + std::to_string(static_cast<long long>(seconds + 0.5)) + " seconds");
    return answer(w, "rebooting");
}

ServiceResult setSystemFactoryDefault(pugi::xml_node payload, DeviceContext& context)
{
    const std::string kind = text(child(payload, "FactoryDefault"));
    if (kind != "Hard" && kind != "Soft") {
        return fault(SoapFault{"Sender", {"InvalidArgs"}, "FactoryDefault must be Hard or Soft"});
    }
    context.camera.factoryDefault(kind == "Hard");
    return empty("SetSystemFactoryDefaultResponse", kind + " factory default");
}

ServiceResult startFirmwareUpgrade(DeviceContext& context)
{
    context.armUpload();
    XmlWriter w = response("StartFirmwareUpgradeResponse");
    w.element("tds:UploadUri", context.baseUrl + std::string(kFirmwarePath))
        .element("tds:UploadDelay", "PT0S")
        .element("tds:ExpectedDownTime", durationText(context.camera.setup().firmwareCheckSeconds +
                                                      context.camera.setup().rebootSeconds));
    return answer(w, "upload armed");
}

ServiceResult getStorageConfigurations(DeviceContext& context)
{
    const StorageTotals& storage = context.camera.setup().storage;
    XmlWriter w = response("GetStorageConfigurationsResponse");
    const auto entry = [&w](std::string_view token, std::int32_t total) {
        if (total <= 0) {
            return; // nothing mounted there
        }
        w.open("tds:StorageConfigurations").attribute("token", token);
        w.open("tds:Data")
            .attribute("type", "LocalStorage")
            .element("tds:LocalPath", "/mnt/" + std::string(token))
            .close();
        w.close();
    };
    entry("sd1", storage.sd1);
    entry("sd2", storage.sd2);
    entry("usb", storage.usb);
    return answer(w);
}

} // namespace

std::optional<std::string> DeviceSettings::passwordOf(std::string_view user) const
{
    for (const DeviceUser& entry : users) {
        if (entry.name == user) {
            return entry.password;
        }
    }
    return std::nullopt;
}

DeviceSettings factorySettings(const CameraSetup& setup)
{
    DeviceSettings settings;
    settings.httpPort = setup.onvifPort;
    settings.rtspPort = setup.rtspPort;
    settings.users.push_back(DeviceUser{setup.user, setup.password, "Administrator"});
    return settings;
}

CommandCode homeCodeOf(std::string_view action)
{
    if (action == "SetSystemDateAndTime") {
        return kCodeSetTime;
    }
    if (action == "GetDeviceInformation") {
        return kCodeVersion;
    }
    return 0;
}

bool isOpenOperation(std::string_view action)
{
    return action == "GetSystemDateAndTime" || action == "GetCapabilities" ||
           action == "GetServices";
}

std::optional<ServiceResult> handleDeviceOperation(std::string_view action, pugi::xml_node payload,
                                                   DeviceContext& context)
{
    using Handler = ServiceResult (*)(pugi::xml_node, DeviceContext&);
    // One table from operation to handler; the lambdas adapt those that read no payload.
    static const std::map<std::string_view, Handler> table{
        {"GetSystemDateAndTime",
         [](pugi::xml_node, DeviceContext& c) { return getSystemDateAndTime(c); }},
        {"SetSystemDateAndTime", setSystemDateAndTime},
        {"GetDeviceInformation",
         [](pugi::xml_node, DeviceContext& c) { return getDeviceInformation(c); }},
        {"GetNetworkInterfaces",
         [](pugi::xml_node, DeviceContext& c) { return getNetworkInterfaces(c); }},
        {"SetNetworkInterfaces", setNetworkInterfaces},
        {"GetNetworkDefaultGateway",
         [](pugi::xml_node, DeviceContext& c) { return getNetworkDefaultGateway(c); }},
        {"SetNetworkDefaultGateway", setNetworkDefaultGateway},
        {"GetDNS", [](pugi::xml_node, DeviceContext& c) { return getDns(c); }},
        {"SetDNS", setDns},
        {"GetNTP", [](pugi::xml_node, DeviceContext& c) { return getNtp(c); }},
        {"SetNTP", setNtp},
        {"GetNetworkProtocols",
         [](pugi::xml_node, DeviceContext& c) { return getNetworkProtocols(c); }},
        {"SetNetworkProtocols", setNetworkProtocols},
        {"GetUsers", [](pugi::xml_node, DeviceContext& c) { return getUsers(c); }},
        {"SetUser", setUser},
        {"GetCapabilities", getCapabilities},
        {"GetServices", [](pugi::xml_node, DeviceContext& c) { return getServices(c); }},
        {"SystemReboot", [](pugi::xml_node, DeviceContext& c) { return systemReboot(c); }},
        {"SetSystemFactoryDefault", setSystemFactoryDefault},
        {"StartFirmwareUpgrade",
         [](pugi::xml_node, DeviceContext& c) { return startFirmwareUpgrade(c); }},
        {"GetStorageConfigurations",
         [](pugi::xml_node, DeviceContext& c) { return getStorageConfigurations(c); }},
    };
    const auto found = table.find(action);
    if (found == table.end()) {
        return std::nullopt;
    }
    return found->second(payload, context);
}

} // namespace vexlo::ipcsim::onvif
