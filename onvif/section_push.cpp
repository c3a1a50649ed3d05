#include "onvif/section_push.h"

#include "onvif/camera_listing.h"
#include "onvif/section_support.h"
#include "onvif/settings_messages.h"
#include "sdk/command_codes.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <pugixml.hpp>
#include <thread>
#include <vector>

namespace vexlo::onvif {

namespace {

using namespace sections;

// A camera that moved answers at its new address a moment later.
constexpr int kMovedAttempts = 25;
constexpr auto kMovedRetry = std::chrono::milliseconds(100);

// TimeConfig: NTP (its server, then the camera follows NTP) or set by hand
// (this computer's time), both in the page's zone.
SectionPush pushClock(DeviceClient& client, pugi::xml_node root)
{
    const auto zoneValue = numberOf(root, "TimeZone");
    const auto zone = zoneValue ? posixZoneOf(*zoneValue) : std::nullopt;
    if (!zone)
        return {};
    const ZoneSetting setting{*zone, false};
    if (fieldOf(root, "TimeMode") == "NTP") {
        const std::string server = fieldOf(root, "NTPConfig/ServerIP");
        if (!server.empty()) {
            if (const auto verdict = runDeviceSetting(client, "SetNTP", buildSetNTP({server}));
                verdict != SectionVerdict::Set)
                return only(verdict);
        }
        return only(runDeviceSetting(client, "SetSystemDateAndTime",
                                     buildSetSystemDateAndTimeNtp(setting)));
    }
    return only(verdictOf(client.setSystemDateAndTime(std::chrono::system_clock::now(), setting)));
}

// UserConfig: the admin account's new password.
SectionPush pushAccount(DeviceClient& client, pugi::xml_node root)
{
    const std::string user = fieldOf(root, "Account/Username");
    const std::string password = fieldOf(root, "Account/Password");
    SectionPush push =
        only(runDeviceSetting(client, "SetUser", buildSetUser(user, password, "Administrator")));
    if (push.verdict == SectionVerdict::Set)
        push.newPassword = password;
    return push;
}

// MediaStreamConfig: the RTSP port (VideoPort) and the HTTP port (WEBPort).
SectionPush pushStream(DeviceClient& client, pugi::xml_node root)
{
    const auto rtsp = numberOf(root, "StreamAccess/VideoPort");
    const auto http = numberOf(root, "StreamAccess/WEBPort");
    if (!rtsp || !http)
        return {};
    SectionPush push =
        only(runDeviceSetting(client, "SetNetworkProtocols",
                              buildSetNetworkProtocols({{"HTTP", *http}, {"RTSP", *rtsp}})));
    if (push.verdict == SectionVerdict::Set)
        push.newHttpPort = static_cast<std::uint16_t>(*http);
    return push;
}

// LANConfig: the address and netmask of the interface the camera is reached
// at (manual IPv4, DHCP off), then its gateway, then its DNS servers. A
// camera that moves at once is followed to its new address.
SectionPush pushEthernet(DeviceClient& client, pugi::xml_node root, const Credentials& login,
                         const ClientOptions& options)
{
    const std::string address = fieldOf(root, "IPAddress");
    const auto prefix = netmaskToPrefix(fieldOf(root, "Netmask"));
    const std::string gateway = fieldOf(root, "Gateway");
    std::vector<std::string> dns;
    for (const char* name : {"DNS1", "DNS2"}) {
        if (std::string server = fieldOf(root, name); !server.empty() && server != "0.0.0.0")
            dns.push_back(std::move(server));
    }
    const auto here = xaddrIpv4Host(client.deviceServiceUrl());
    if (!isIPv4Address(address) || !prefix || (!gateway.empty() && !isIPv4Address(gateway)))
        return {};
    const auto interfaces = client.getNetworkInterfaces();
    if (!interfaces.ok())
        return only(verdictOf(interfaces));
    std::string token;
    for (const NetworkInterface& candidate : *interfaces.value()) {
        const auto current = currentIPv4(candidate);
        if (token.empty() || (current && current->address == here))
            token = candidate.token;
    }
    const auto moved = client.setNetworkInterfaces(token, address, *prefix);
    if (!moved.ok())
        return only(verdictOf(moved));
    SectionPush push = only(SectionVerdict::Set);
    std::shared_ptr<DeviceClient> next;
    DeviceClient* target = &client;
    if (address != here && !*moved.value()) {
        push.newAddress = address;
        if (const auto url = withHost(client.deviceServiceUrl(), address)) {
            next = std::make_shared<DeviceClient>(*url, login, options, client.sharedTransport());
            target = next.get();
        }
    }
    if (!gateway.empty())
        push.verdict = runAtNewAddress(*target, "SetNetworkDefaultGateway",
                                       buildSetNetworkDefaultGateway(gateway));
    // Empty DNS fields leave the camera's servers as they are.
    if (push.verdict == SectionVerdict::Set && !dns.empty())
        push.verdict = runAtNewAddress(*target, "SetDNS", buildSetDNS(dns));
    // A camera that takes the address only at its next start is restarted
    // now: this section comes last, so nothing else is left to push.
    if (push.verdict == SectionVerdict::Set && *moved.value()) {
        client.systemReboot();
        push.rebooting = true;
    }
    return push;
}

} // namespace

bool sectionHasOnvifMapping(int code)
{
    return code == sdk::kSectionClock || code == sdk::kSectionAccount ||
           code == sdk::kSectionStream || code == sdk::kSectionEthernet ||
           code == sdk::kSectionVideoEncode || code == sdk::kSectionAudioEncode ||
           code == sdk::kSectionCapture || code == sdk::kSectionOverlay ||
           code == sdk::kSectionMotion;
}

std::optional<std::string> posixZoneOf(int zoneValue)
{
    if (zoneValue < 0 || zoneValue % 60 != 0)
        return std::nullopt;
    const int hoursEast = zoneValue / 60 - 12;
    if (hoursEast < -12 || hoursEast > 12)
        return std::nullopt;
    // POSIX counts hours west of UTC: the sign is the other way round.
    if (hoursEast == 0)
        return "UTC0";
    return "UTC" + std::string(hoursEast > 0 ? "-" : "+") + std::to_string(std::abs(hoursEast));
}

SectionVerdict runAtNewAddress(DeviceClient& moved, std::string_view operation,
                               const std::optional<std::string>& payload)
{
    SectionVerdict verdict = SectionVerdict::NoAnswer;
    for (int attempt = 0; attempt < kMovedAttempts && verdict == SectionVerdict::NoAnswer;
         ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(kMovedRetry);
        verdict = runDeviceSetting(moved, operation, payload);
    }
    return verdict;
}

SectionPush pushSection(DeviceClient& client, int code, std::string_view body,
                        const Credentials& login, const ClientOptions& options)
{
    if (!sectionHasOnvifMapping(code))
        return {};
    // The bytes are GBK: read as they are (no conversion), each text field
    // is converted on its own.
    pugi::xml_document document;
    if (document.load_buffer(body.data(), body.size(), pugi::parse_default, pugi::encoding_utf8)
            .status != pugi::status_ok)
        return {};
    const pugi::xml_node root = document.document_element();
    const std::string_view name = root.name();
    if (code == sdk::kSectionClock && name == "TimeConfig")
        return pushClock(client, root);
    if (code == sdk::kSectionAccount && name == "UserConfig")
        return pushAccount(client, root);
    if (code == sdk::kSectionStream && name == "MediaStreamConfig")
        return pushStream(client, root);
    if (code == sdk::kSectionOverlay && name == "Overlay")
        return pushOverlay(client, root);
    if (code == sdk::kSectionCapture && name == "Capture")
        return pushCapture(client, root);
    if (code == sdk::kSectionVideoEncode && name == "Encode")
        return pushVideo(client, root);
    if (code == sdk::kSectionAudioEncode && name == "Audio")
        return pushAudio(client, root);
    if (code == sdk::kSectionMotion && name == "MotionDetectAlarm")
        return pushMotion(client, root);
    if (code == sdk::kSectionEthernet && name == "LANConfig")
        return pushEthernet(client, root, login, options);
    return {};
}

} // namespace vexlo::onvif
