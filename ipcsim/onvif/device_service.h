#pragma once

#include "ipcsim/onvif/service_result.h"
#include "ipcsim/scenario.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

// The device service (ver10 device management) of a simulated camera: each
// operation reads or changes the camera itself, so a client sees the same
// camera through ONVIF as through the home protocol.
namespace vexlo::ipcsim {
class Camera;
}

namespace vexlo::ipcsim::onvif {

inline constexpr std::string_view kDeviceNamespace = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr std::string_view kSchemaNamespace = "http://www.onvif.org/ver10/schema";
inline constexpr std::string_view kMediaNamespace = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr std::string_view kImagingNamespace = "http://www.onvif.org/ver20/imaging/wsdl";
inline constexpr std::string_view kAnalyticsNamespace = "http://www.onvif.org/ver20/analytics/wsdl";
inline constexpr std::string_view kDeviceIoNamespace = "http://www.onvif.org/ver10/deviceIO/wsdl";

// The paths the camera's HTTP server answers on.
inline constexpr std::string_view kDevicePath = "/onvif/device_service";
inline constexpr std::string_view kMediaPath = "/onvif/media_service";
inline constexpr std::string_view kImagingPath = "/onvif/imaging_service";
inline constexpr std::string_view kAnalyticsPath = "/onvif/analytics_service";
// Announced although the camera has no inputs or outputs of its own: some
// clients (the npm onvif package among them) send SystemReboot to the
// DeviceIO address, and every path here answers the device operations.
inline constexpr std::string_view kDeviceIoPath = "/onvif/deviceio_service";
inline constexpr std::string_view kFirmwarePath = "/onvif/firmware";

struct DeviceUser
{
    std::string name;
    std::string password;
    std::string level = "Administrator"; // Administrator, Operator, User
};

// What a client can configure through the device service beyond what the
// camera itself keeps (address, version, ...). Kept across reboots; a factory
// default brings the scenario's values back.
struct DeviceSettings
{
    // The camera's clock runs this far from the host's.
    std::chrono::system_clock::duration clockOffset{0};
    bool timeFromNtp = false;
    std::string timeZone = "UTC0";
    bool daylightSavings = false;
    bool dnsFromDhcp = false;
    std::vector<std::string> searchDomains;
    std::vector<std::string> dnsServers{"127.0.0.1"};
    bool ntpFromDhcp = false;
    std::vector<std::string> ntpServers{"127.0.0.1"};
    std::uint16_t httpPort = kDefaultOnvifPort;
    std::uint16_t rtspPort = kDefaultRtspPort;
    std::vector<DeviceUser> users;

    std::chrono::system_clock::time_point cameraNow() const
    {
        return std::chrono::system_clock::now() + clockOffset;
    }
    // The password of `user`, for both ways of signing in.
    std::optional<std::string> passwordOf(std::string_view user) const;
};

DeviceSettings factorySettings(const CameraSetup& setup);

// What the device service needs of the face around it, on the camera's strand.
struct DeviceContext
{
    Camera& camera;
    DeviceSettings& settings;
    // "http://ADDR:PORT" of the camera as it is now.
    std::string baseUrl;
    // Lets the next POST to the firmware path through.
    std::function<void()> armUpload;
    // Listens on these ports from now on; false (and nothing changed) when
    // they cannot be bound.
    std::function<bool(std::uint16_t http, std::uint16_t rtsp)> changePorts;
};

// Runs a device operation. Nothing when `action` is not one of them.
std::optional<ServiceResult> handleDeviceOperation(std::string_view action, pugi::xml_node payload,
                                                   DeviceContext& context);

// The home protocol's command code an operation stands for, whose
// answerDelay, ignoreCodes and refuseCodes apply to it; 0 for none. The
// firmware verdict 1009 is not here: it answers the image's POST, not
// StartFirmwareUpgrade.
CommandCode homeCodeOf(std::string_view action);

// The operations any client may call without signing in: what a client needs
// to find the services and to set its clock right for WS-Security.
bool isOpenOperation(std::string_view action);

} // namespace vexlo::ipcsim::onvif
