#pragma once

#include "credentials/site_credentials.h"
#include "onvif/device_messages.h"
#include "onvif/discovered_device.h"
#include "sdk/ipcinfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One ONVIF camera as the search lists it: what discovery told, completed by
// the device service when the site's credentials open it. Plain data.
namespace vexlo::onvif {

struct ListedCamera
{
    std::string serialNo;
    std::string deviceType; // the Model; "NVR" for a recorder
    std::string macAddress;
    std::string ipAddress;
    std::string netmask;
    std::string gateway;
    std::uint16_t port = 0;       // the device service's port
    std::string deviceServiceUrl; // empty when it may not be contacted
    std::string interfaceToken;   // the interface that holds ipAddress
    std::string endpoint;         // the discovery identity
    // The pair the camera took; nothing when none did or it was not asked.
    std::optional<credentials::LoginPair> login;
};

// What discovery alone tells: address, port, recorder or not, and the
// serial and MAC of its scopes or endpoint reference when it gives them.
ListedCamera listFromDiscovery(const DiscoveredDevice& device);

// Completes the entry with the camera's own answers. The address stays the
// one the camera was reached at.
void addDeviceAnswers(ListedCamera& camera, const DeviceInformation& information,
                      const std::vector<NetworkInterface>& interfaces,
                      const std::vector<std::string>& gateways);

// The search-result block; the credentials are the pair the camera took, or
// the site's first pair. Reserved bytes other than the protocol mark are not
// touched.
void fillIpcInfo(const ListedCamera& camera, const credentials::LoginPair& login, _IPCINFO& info);

// The answer to the version query (1012), in the home protocol's form, so the
// firmware version is found after FileSystemVersion=" and a whole-answer
// comparison tells a changed camera. GBK, like every answer text.
std::string versionAnswer(const DeviceInformation& information);

// The port of an http URL (80 when none is written); 0 when it is not one.
std::uint16_t urlPort(std::string_view url);
// The same URL with its host replaced by `address`; nothing when it is not an
// http URL with a host.
std::optional<std::string> withHost(std::string_view url, std::string_view address);
// The same URL with its port replaced.
std::optional<std::string> withPort(std::string_view url, std::uint16_t port);

} // namespace vexlo::onvif
