#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// What a simulated site holds: its cameras, what each one reports, and how each
// one misbehaves. A scenario comes from a JSON file (scenario_json.h) or is
// built in code by tests; validateScenario() checks both the same way.
//
// Text fields are UTF-8 here; a camera sends them as GBK, the code page the
// engine reads (toGbk()). Times are in seconds of scaled time: a camera waits
// them through the platform's scaled clock, so VEXLO_TIME_SCALE shortens them.
namespace vexlo::ipcsim {

class ScenarioError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The command codes answered through the response callback: 1005, 1009, 1012,
// 1014, 1017 and the configuration sections. A code has at most 24 bits.
using CommandCode = std::uint32_t;
inline constexpr CommandCode kMaxCommandCode = 0xFFFFFF;

inline constexpr CommandCode kCodeSetTime = 1005;
inline constexpr CommandCode kCodeFirmwareVerdict = 1009;
inline constexpr CommandCode kCodeVersion = 1012;
inline constexpr CommandCode kCodeStorage = 1014;
inline constexpr CommandCode kCodeFormat = 1017;

inline constexpr std::string_view kVersionPlaceholder = "{version}";
inline constexpr std::string_view kDefaultVersionAnswer =
    "<RESPONSE_PARAM\r\nSystemVersion=\"V2.4.0\"\r\nFileSystemVersion=\"{version}\"\r\n/>";
inline constexpr std::string_view kDefaultFactoryAddress = "192.168.0.123";

// Storage sizes in MB as the 1014 answer reports them; 0 or less means no
// storage is mounted there.
struct StorageTotals
{
    std::int32_t sd1 = 30436;
    std::int32_t sd2 = 0;
    std::int32_t usb = 0;
};

struct CameraFaults
{
    bool loginRefused = false;                        // every login ends in a refusal (event 5)
    bool loginNeverConfirmed = false;                 // the login handshake is never finished
    std::set<CommandCode> refusedCodes;               // answered with the refusal bit
    std::set<CommandCode> unansweredCodes;            // never answered at all
    std::map<CommandCode, double> answerDelaySeconds; // answer (or refusal) this late
    // The camera stops acknowledging upload bytes once this percent of the file
    // has arrived, and the upload never ends.
    std::optional<int> uploadStallPercent;
    // The camera aborts the upload (event 15) once this percent has arrived.
    std::optional<int> uploadFailPercent;
    bool firmwareRefused = false;      // 1009 refused even for a sound file
    bool neverBackAfterReboot = false; // goes down for a reboot and stays down
    bool modifyIpRefused = false;      // answers modify-IP commands with a refusal
    // Answers no broadcast search and no multicast WS-Discovery probe, only
    // probes sent to its own address (a camera behind a router).
    bool ignoreBroadcast = false;
    // Closes the first confirmed session this long after its login, so that
    // auto-reconnect can be seen; later sessions are left alone.
    std::optional<double> dropSessionAfterSeconds;

    bool refuses(CommandCode code) const { return refusedCodes.count(code) != 0; }
    bool ignores(CommandCode code) const { return unansweredCodes.count(code) != 0; }
    // Seconds to wait before answering `code`; 0 when the scenario names none.
    double answerDelay(CommandCode code) const;
};

// How many bytes of a `fileSize`-byte upload make `percent` of it, rounded
// down: a camera that stalls at that percent acknowledges at most this many
// bytes, and one that fails at it aborts once this many have arrived.
std::uint64_t bytesAtPercent(std::uint64_t fileSize, int percent);

// Which protocols a camera speaks: the home protocol of protocol.md, ONVIF
// (SOAP over HTTP, WS-Discovery and RTSP), or both at once.
enum class CameraProtocol
{
    Vexlo,
    Onvif,
    Both,
};

inline constexpr std::uint16_t kDefaultOnvifPort = 8080;
inline constexpr std::uint16_t kDefaultRtspPort = 8554;

std::string_view protocolName(CameraProtocol protocol);
// "vexlo", "onvif" or "both"; nothing for any other text.
std::optional<CameraProtocol> parseProtocolName(std::string_view name);

struct CameraSetup
{
    std::string serial;
    std::string mac;     // "AA:BB:CC:DD:EE:FF"
    std::string address; // 127.x.y.z, the camera's own listening address
    std::string netmask = "255.0.0.0";
    std::string gateway = "127.0.0.1";
    std::uint16_t port = 8000; // the home protocol's login port
    CameraProtocol protocol = CameraProtocol::Vexlo;
    std::uint16_t onvifPort = kDefaultOnvifPort; // SOAP over HTTP, on the camera's address
    std::uint16_t rtspPort = kDefaultRtspPort;
    std::string type = "IPC"; // "NVR" entries are found by search but never listed
    std::string user = "admin";
    std::string password;
    // The firmware the camera runs at start; an accepted firmware file replaces
    // it after the reboot.
    std::string firmwareVersion = "V5.2.0";
    // The whole 1012 answer; every "{version}" in it is replaced by the version
    // the camera runs at the moment.
    std::string versionAnswer = std::string(kDefaultVersionAnswer);
    StorageTotals storage;
    double rebootSeconds = 40;        // down time of a reboot, restore or firmware install
    double formatSeconds = 10;        // from FormatDisk to the 1017 answer
    double firmwareCheckSeconds = 15; // from the end of an upload to the 1009 verdict
    std::int32_t playParam = 0;
    // Where a factory restore puts the camera. Outside 127.0.0.0/8 the camera
    // still answers searches there but can no longer be reached, as on a site.
    std::string factoryAddress = std::string(kDefaultFactoryAddress);
    CameraFaults faults;

    bool speaksVexlo() const { return protocol != CameraProtocol::Onvif; }
    bool speaksOnvif() const { return protocol != CameraProtocol::Vexlo; }

    // The 1012 answer for `version`, in GBK as it goes on the wire.
    std::string versionAnswerFor(std::string_view version) const;
    // The 1014 answer: three Total="..." attributes for SD1, SD2 and USB in that
    // order, in GBK.
    std::string storageAnswer() const;
};

struct Scenario
{
    std::vector<CameraSetup> cameras;
};

// A healthy camera with the built-in defaults; its MAC is derived from the
// address (macForAddress) when the address is a valid IPv4 text.
CameraSetup makeCamera(std::string serial, std::string address);

// How a run of cameras is numbered. The serial pattern holds "{n}" (the
// number) or "{n:W}" (zero-padded to W digits); addresses and MACs count up
// from the first ones. An empty first MAC derives each MAC from its address.
struct CameraSeries
{
    int count = 0;
    int firstNumber = 1;
    std::string serialPattern;
    std::string firstAddress;
    std::string firstMac;
};

// `count` copies of `base` numbered as `series` says. Throws ScenarioError when
// the pattern has no {n} or the addresses would leave 127.0.0.0/8.
std::vector<CameraSetup> generateCameras(const CameraSetup& base, const CameraSeries& series);

// Checks one camera on its own. Throws ScenarioError naming the field.
void validateCamera(const CameraSetup& camera);

// Checks every camera and the site as a whole (no cameras, duplicate
// addresses, duplicate serial and MAC pairs). Throws ScenarioError naming the
// camera by its position and serial.
void validateScenario(const Scenario& scenario);

// "camera 3 (serial "SIM0003", address 127.0.1.3)": how errors name a camera;
// `position` counts from 1.
std::string describeCamera(std::size_t position, const CameraSetup& camera);

// UTF-8 to GBK, as every text goes on the wire.
std::string toGbk(std::string_view utf8);

} // namespace vexlo::ipcsim
