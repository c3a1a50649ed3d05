#include "onvif/camera_listing.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cctype>

namespace vexlo::onvif {

namespace {

struct UrlParts
{
    std::string_view scheme; // "http://"
    std::string_view host;
    std::string_view port; // digits, may be empty
    std::string_view rest; // from the first '/', '?' or '#'
};

std::optional<UrlParts> splitUrl(std::string_view url)
{
    constexpr std::string_view kScheme = "http://";
    if (url.size() < kScheme.size() ||
        !std::equal(kScheme.begin(), kScheme.end(), url.begin(), [](char a, char b) {
            return a == std::tolower(static_cast<unsigned char>(b));
        }))
        return std::nullopt;
    UrlParts parts;
    parts.scheme = url.substr(0, kScheme.size());
    std::string_view after = url.substr(kScheme.size());
    const std::size_t end = std::min(after.find_first_of("/?#"), after.size());
    const std::string_view authority = after.substr(0, end);
    parts.rest = after.substr(end);
    if (authority.empty() || authority.find('@') != std::string_view::npos)
        return std::nullopt;
    const std::size_t colon = authority.rfind(':');
    parts.host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
        parts.port = authority.substr(colon + 1);
        if (parts.port.empty() || parts.port.size() > 5 ||
            !std::all_of(parts.port.begin(), parts.port.end(),
                         [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
    }
    if (parts.host.empty())
        return std::nullopt;
    return parts;
}

// An attribute value of the version answer: UTF-8 from the camera, GBK for
// the program, with the characters that would end the attribute escaped.
std::string attribute(std::string_view name, std::string_view utf8)
{
    std::string escaped;
    for (const char c : utf8) {
        switch (c) {
        case '"':
            escaped += "&quot;";
            break;
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        default:
            // Line breaks and other control bytes have no place in one line.
            escaped += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return std::string(name) + "=\"" + utf16ToGbk(utf8ToUtf16(escaped)) + "\"";
}

const NetworkInterface* interfaceAt(const std::vector<NetworkInterface>& interfaces,
                                    std::string_view address)
{
    for (const NetworkInterface& candidate : interfaces) {
        const auto current = currentIPv4(candidate);
        if (current && current->address == address)
            return &candidate;
    }
    return interfaces.empty() ? nullptr : &interfaces.front();
}

} // namespace

std::uint16_t urlPort(std::string_view url)
{
    const auto parts = splitUrl(url);
    if (!parts)
        return 0;
    if (parts->port.empty())
        return 80;
    const int value = std::stoi(std::string(parts->port));
    return value >= 1 && value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
}

std::optional<std::string> withHost(std::string_view url, std::string_view address)
{
    const auto parts = splitUrl(url);
    if (!parts)
        return std::nullopt;
    std::string out(parts->scheme);
    out += address;
    if (!parts->port.empty())
        out += ":" + std::string(parts->port);
    out += parts->rest;
    return out;
}

std::optional<std::string> withPort(std::string_view url, std::uint16_t port)
{
    const auto parts = splitUrl(url);
    if (!parts || port == 0)
        return std::nullopt;
    return std::string(parts->scheme) + std::string(parts->host) + ":" + std::to_string(port) +
           std::string(parts->rest);
}

ListedCamera listFromDiscovery(const DiscoveredDevice& device)
{
    ListedCamera camera;
    camera.endpoint = device.endpoint;
    camera.ipAddress = device.ipAddress;
    camera.deviceServiceUrl = device.contactAllowed ? device.serviceAddress : std::string();
    for (const std::string& xaddr : device.xaddrs) {
        if (xaddrIpv4Host(xaddr) == device.ipAddress) {
            camera.port = urlPort(xaddr);
            break;
        }
    }
    camera.serialNo = device.identity.serialNo;
    camera.macAddress = device.identity.macAddress;
    camera.deviceType = device.isRecorder ? "NVR" : device.identity.hardware;
    return camera;
}

void addDeviceAnswers(ListedCamera& camera, const DeviceInformation& information,
                      const std::vector<NetworkInterface>& interfaces,
                      const std::vector<std::string>& gateways)
{
    if (!information.serialNumber.empty())
        camera.serialNo = information.serialNumber;
    if (camera.deviceType != "NVR" && !information.model.empty())
        camera.deviceType = information.model;
    if (const NetworkInterface* found = interfaceAt(interfaces, camera.ipAddress)) {
        camera.interfaceToken = found->token;
        if (!found->hwAddress.empty())
            camera.macAddress = found->hwAddress;
        if (const auto current = currentIPv4(*found);
            current && current->address == camera.ipAddress)
            camera.netmask = prefixToNetmask(current->prefixLength).value_or(std::string());
    }
    for (const std::string& gateway : gateways) {
        if (isIPv4Address(gateway)) {
            camera.gateway = gateway;
            break;
        }
    }
}

void fillIpcInfo(const ListedCamera& camera, const credentials::LoginPair& login, _IPCINFO& info)
{
    // Camera texts are UTF-8; the block's fields are GBK.
    const auto field = [](char* target, std::size_t width, const std::string& utf8) {
        copyUtf16ToField(target, width, utf8ToUtf16(utf8));
    };
    field(info.serialNo, sizeof info.serialNo, camera.serialNo);
    field(info.deviceType, sizeof info.deviceType, camera.deviceType);
    field(info.macAddress, sizeof info.macAddress, camera.macAddress);
    field(info.ipAddress, sizeof info.ipAddress, camera.ipAddress);
    field(info.netmask, sizeof info.netmask, camera.netmask);
    field(info.gateway, sizeof info.gateway, camera.gateway);
    const credentials::LoginPair& pair = camera.login ? *camera.login : login;
    field(info.userName, sizeof info.userName, pair.user);
    field(info.password, sizeof info.password, pair.password);
    info.port = camera.port;
    info.playParam = 0;
    setListedProtocol(info, ListedProtocol::Onvif);
}

std::string versionAnswer(const DeviceInformation& information)
{
    return "<RESPONSE_PARAM " + attribute("Manufacturer", information.manufacturer) + " " +
           attribute("Model", information.model) + " " +
           attribute("FileSystemVersion", information.firmwareVersion) + " " +
           attribute("SerialNumber", information.serialNumber) + " " +
           attribute("HardwareId", information.hardwareId) + " />";
}

} // namespace vexlo::onvif
