#pragma once

#include "onvif/discovery_messages.h" // kOnvifDeviceNamespace
#include "onvif/soap.h"
#include "onvif/soap_fault.h"
#include "onvif/xml_writer.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// The device service's requests and answers, as the client sends and reads
// them. Builders return the payload that goes inside Body (its namespaces
// declared on it), ready for buildEnvelope and a security header. Parsers take
// a camera's whole reply, read it by local names whatever prefixes, SOAP
// version or extra elements the make uses, and say whether it was the answer,
// a fault, or something unreadable.
namespace vexlo::onvif {

inline constexpr std::string_view kOnvifSchemaNamespace = "http://www.onvif.org/ver10/schema";
inline constexpr std::string_view kOnvifMediaNamespace = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr std::string_view kOnvifMedia2Namespace = "http://www.onvif.org/ver20/media/wsdl";
inline constexpr std::string_view kOnvifImagingNamespace =
    "http://www.onvif.org/ver20/imaging/wsdl";
inline constexpr std::string_view kOnvifAnalyticsNamespace =
    "http://www.onvif.org/ver20/analytics/wsdl";
inline constexpr std::string_view kOnvifEventsNamespace = "http://www.onvif.org/ver10/events/wsdl";

// The element of a request payload, prefix:operation, declaring the service's
// namespace under that prefix and, with `schema`, the schema's under tt.
XmlWriter openServiceRequest(std::string_view prefix, std::string_view serviceNamespace,
                             std::string_view operation, bool schema = true);

// Why a reply could not be read as the expected answer.
struct Malformed
{
    std::string what;

    bool operator==(const Malformed&) const = default;
};

// A camera's reply: the answer, the fault it sent instead, or unreadable.
template <typename T> class Reply
{
public:
    Reply(T value) : m_content(std::move(value)) {}
    Reply(SoapFault fault) : m_content(std::move(fault)) {}
    Reply(Malformed malformed) : m_content(std::move(malformed)) {}

    bool ok() const { return std::holds_alternative<T>(m_content); }
    const T* value() const { return std::get_if<T>(&m_content); }
    const SoapFault* fault() const { return std::get_if<SoapFault>(&m_content); }
    const Malformed* malformed() const { return std::get_if<Malformed>(&m_content); }

private:
    std::variant<T, SoapFault, Malformed> m_content;
};

// The answer of operations whose response carries nothing.
struct Accepted
{
    bool operator==(const Accepted&) const = default;
};

// Opens a reply for any service's parser: the payload element when Body holds
// `responseName` (by local name), otherwise the fault or why not. The payload
// points into `message`, which the caller keeps alive while reading it.
std::variant<pugi::xml_node, SoapFault, Malformed>
openResponse(std::string_view bytes, std::string_view responseName,
             std::optional<SoapMessage>& message);

// The usual way to read an answer: `read` turns the payload into a T, or
// nothing when required content is missing or unreadable (then Malformed).
template <typename T, typename Read>
Reply<T> readResponse(std::string_view bytes, std::string_view responseName, Read read)
{
    std::optional<SoapMessage> message;
    auto opened = openResponse(bytes, responseName, message);
    if (SoapFault* fault = std::get_if<SoapFault>(&opened))
        return std::move(*fault);
    if (Malformed* malformed = std::get_if<Malformed>(&opened))
        return std::move(*malformed);
    std::optional<T> value = read(std::get<pugi::xml_node>(opened));
    if (!value)
        return Malformed{std::string(responseName) + " lacks a required value or has a bad one"};
    return std::move(*value);
}

// ---- Values shared by several answers ----

// xs:duration as cameras write it (PT5S, PT1M30S, P0DT0H2M, PT0.5S). Nothing
// for negative, malformed or absurd (over a year) values, so a delay read from
// a camera can be waited for as is.
std::optional<std::chrono::milliseconds> parseDuration(std::string_view text);

// 24 -> "255.255.255.0"; nothing outside 0..32.
std::optional<std::string> prefixToNetmask(int prefixLength);
// "255.255.255.0" -> 24; nothing for anything but a dotted quad of contiguous ones.
std::optional<int> netmaskToPrefix(std::string_view netmask);
// A dotted quad such as 192.168.1.64, nothing else (no host names, no IPv6).
bool isIPv4Address(std::string_view text);

// ---- GetSystemDateAndTime / SetSystemDateAndTime ----

enum class DateTimeType
{
    Manual,
    Ntp
};

struct SystemDateAndTime
{
    DateTimeType type = DateTimeType::Manual;
    bool daylightSavings = false;
    std::string timeZone; // TZ as the camera gave it (POSIX form); empty when none
    // The camera's clock in UTC; nothing when it told neither UTCDateTime nor a
    // LocalDateTime with a zone we can read.
    std::optional<std::chrono::system_clock::time_point> utc;
    bool fromLocalTime = false; // utc was worked out from LocalDateTime and the zone

    bool operator==(const SystemDateAndTime&) const = default;
};

// The zone a camera already has, kept when its clock is set.
struct ZoneSetting
{
    std::string timeZone;
    bool daylightSavings = false;
};

std::string buildGetSystemDateAndTime();
Reply<SystemDateAndTime> parseGetSystemDateAndTime(std::string_view bytes);

// Manual time, to the second. Without `keep` the zone is left out (the camera
// keeps its own) and DaylightSavings is false; with it, both are sent back as
// the camera had them, so its local display does not move by an hour.
std::string buildSetSystemDateAndTime(std::chrono::system_clock::time_point utc,
                                      const std::optional<ZoneSetting>& keep = std::nullopt);
// The camera takes its time from NTP.
std::string buildSetSystemDateAndTimeNtp(const std::optional<ZoneSetting>& keep = std::nullopt);
Reply<Accepted> parseSetSystemDateAndTime(std::string_view bytes);

// UTC offset of local time for a POSIX TZ value at a given UTC moment, such as
// "CST-8" (+8 h) or "EST5EDT,M3.2.0,M11.1.0" (-5 h, -4 h in summer when
// `daylightSavings`). Nothing when the value cannot be read.
std::optional<std::chrono::seconds> utcOffset(std::string_view tz, bool daylightSavings,
                                              std::chrono::system_clock::time_point utc);

// ---- GetDeviceInformation ----

struct DeviceInformation
{
    std::string manufacturer;
    std::string model;
    std::string firmwareVersion;
    std::string serialNumber;
    std::string hardwareId;

    bool operator==(const DeviceInformation&) const = default;
};

std::string buildGetDeviceInformation();
Reply<DeviceInformation> parseGetDeviceInformation(std::string_view bytes);

// ---- Network interfaces and gateway ----

struct PrefixedAddress
{
    std::string address;  // always a dotted quad
    int prefixLength = 0; // 0..32

    bool operator==(const PrefixedAddress&) const = default;
};

struct NetworkInterface
{
    std::string token;
    bool enabled = false;
    std::string name;
    std::string hwAddress; // as written, e.g. 00:11:22:33:44:55
    bool ipv4Enabled = false;
    bool dhcp = false;
    std::vector<PrefixedAddress> manual;
    std::optional<PrefixedAddress> fromDhcp;
    std::optional<PrefixedAddress> linkLocal;

    bool operator==(const NetworkInterface&) const = default;
};

// The IPv4 address the interface is reached at: the leased one under DHCP,
// else the first manual one, else whatever it has. Nothing without any.
std::optional<PrefixedAddress> currentIPv4(const NetworkInterface& networkInterface);

std::string buildGetNetworkInterfaces();
// Addresses that are not dotted quads, or have a prefix outside 0..32, are
// left out rather than passed on.
Reply<std::vector<NetworkInterface>> parseGetNetworkInterfaces(std::string_view bytes);

// A manual IPv4 address with DHCP off. Nothing when the token is empty, the
// address is not a dotted quad or the prefix is outside 1..32: a camera given
// such values may become unreachable.
std::optional<std::string> buildSetNetworkInterfaces(std::string_view token,
                                                     std::string_view address, int prefixLength);
// Whether the camera must reboot for the change to take effect. A reply that
// does not say counts as yes: a needless reboot costs less than a camera left
// on its old address.
Reply<bool> parseSetNetworkInterfaces(std::string_view bytes);

std::string buildGetNetworkDefaultGateway();
// The IPv4 gateways (usually one); IPv6 ones and unreadable values are left out.
Reply<std::vector<std::string>> parseGetNetworkDefaultGateway(std::string_view bytes);
// Nothing unless `gateway` is a dotted quad.
std::optional<std::string> buildSetNetworkDefaultGateway(std::string_view gateway);
Reply<Accepted> parseSetNetworkDefaultGateway(std::string_view bytes);

// ---- Reboot and factory default ----

std::string buildSystemReboot();
// The camera's message, such as "Rebooting in 30 seconds"; may be empty.
Reply<std::string> parseSystemReboot(std::string_view bytes);

enum class FactoryDefault
{
    Soft, // keeps network settings, so the camera stays reachable
    Hard
};

std::string buildSetSystemFactoryDefault(FactoryDefault kind);
Reply<Accepted> parseSetSystemFactoryDefault(std::string_view bytes);

// ---- Firmware upgrade ----

struct FirmwareUpload
{
    std::string uploadUri;                    // where to POST the image, as the camera gave it
    std::chrono::milliseconds uploadDelay{0}; // wait this long before the POST
    std::chrono::milliseconds expectedDownTime{0};

    bool operator==(const FirmwareUpload&) const = default;
};

std::string buildStartFirmwareUpgrade();
// Malformed without an UploadUri, or with a duration we cannot read.
Reply<FirmwareUpload> parseStartFirmwareUpgrade(std::string_view bytes);

// ---- Capabilities and services ----

// Where each service answers, empty when the camera has none; and what it
// says about firmware upgrades when it says anything.
struct DeviceServices
{
    std::string device;
    std::string media;
    std::string media2;
    std::string imaging;
    std::string analytics;
    std::string events;
    // Upgrade through StartFirmwareUpgrade and an HTTP POST.
    std::optional<bool> httpFirmwareUpgrade;
    // Any firmware upgrade at all (older cameras tell only this).
    std::optional<bool> firmwareUpgrade;

    bool operator==(const DeviceServices&) const = default;
};

// Every category.
std::string buildGetCapabilities();
Reply<DeviceServices> parseGetCapabilities(std::string_view bytes);
// With the services' capabilities, where HttpFirmwareUpgrade is told.
std::string buildGetServices();
Reply<DeviceServices> parseGetServices(std::string_view bytes);

// ---- Readers shared with the other services' messages ----

// xs:boolean: true/false/1/0 with whitespace around; nothing otherwise.
std::optional<bool> parseBoolean(std::string_view text);
// A whole xs:int in the range of int; nothing otherwise.
std::optional<int> parseInteger(std::string_view text);

} // namespace vexlo::onvif
