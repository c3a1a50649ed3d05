#include "ipcsim/scenario.h"

#include "ipcsim/address.h"
#include "ipcsim/firmware.h"
#include "ipcsim/utf8.h"
#include "platform/codepage.h"

#include <cmath>
#include <map>

namespace vexlo::ipcsim {
namespace {

// The widths of the _IPCINFO fields a camera's texts end up in, less the NUL.
constexpr std::size_t kSerialBytes = 31;
constexpr std::size_t kTypeBytes = 35;
constexpr std::size_t kUserBytes = 39;
constexpr std::size_t kPasswordBytes = 63;
// Larger than any answer the engine keeps (256 bytes), so long answers can be
// tried, yet small enough for one protocol frame.
constexpr std::size_t kMaxAnswerBytes = 8192;
constexpr double kMaxSeconds = 86400;
constexpr int kMaxGeneratedCameras = 100000;

std::string inQuotes(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

void checkText(std::string_view field, std::string_view text, std::size_t maxBytes, bool allowEmpty,
               bool allowLineBreaks)
{
    if (!isValidUtf8(text)) {
        throw ScenarioError(std::string(field) + " is not valid UTF-8 text");
    }
    if (text.empty() && !allowEmpty) {
        throw ScenarioError(std::string(field) + " is empty");
    }
    for (const char c : text) {
        const bool lineBreak = c == '\r' || c == '\n' || c == '\t';
        if (static_cast<unsigned char>(c) < 0x20 && !(allowLineBreaks && lineBreak)) {
            throw ScenarioError(std::string(field) + " " + inQuotes(text) +
                                " holds a control character");
        }
    }
    const std::string gbk = toGbk(text);
    if (utf16ToUtf8(gbkToUtf16(gbk)) != text) {
        throw ScenarioError(std::string(field) + " " + inQuotes(text) +
                            " holds characters that GBK cannot hold");
    }
    if (gbk.size() > maxBytes) {
        throw ScenarioError(std::string(field) + " " + inQuotes(text) + " is longer than " +
                            std::to_string(maxBytes) + " bytes in GBK");
    }
}

void checkIpv4(std::string_view field, std::string_view text)
{
    if (!parseIpv4(text)) {
        throw ScenarioError(std::string(field) + " " + inQuotes(text) +
                            " is not an IPv4 address like 127.0.1.1");
    }
}

void checkSeconds(std::string_view field, double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds > kMaxSeconds) {
        throw ScenarioError(std::string(field) + " must be a number of seconds from 0 to " +
                            std::to_string(static_cast<int>(kMaxSeconds)));
    }
}

void checkCode(std::string_view field, CommandCode code)
{
    if (code == 0 || code > kMaxCommandCode) {
        throw ScenarioError(std::string(field) + " holds code " + std::to_string(code) +
                            ", but a command code is a number from 1 to " +
                            std::to_string(kMaxCommandCode));
    }
}

void checkPercent(std::string_view field, int percent)
{
    if (percent < 0 || percent > 100) {
        throw ScenarioError(std::string(field) + " must be a percent from 0 to 100, not " +
                            std::to_string(percent));
    }
}

void checkFaults(const CameraFaults& faults)
{
    if (faults.loginRefused && faults.loginNeverConfirmed) {
        throw ScenarioError("faults: loginRefused and loginNeverConfirmed cannot both be set");
    }
    for (const CommandCode code : faults.refusedCodes) {
        checkCode("faults.refuseCodes", code);
        if (faults.ignores(code)) {
            throw ScenarioError("faults: code " + std::to_string(code) +
                                " is in both refuseCodes and ignoreCodes");
        }
    }
    for (const CommandCode code : faults.unansweredCodes) {
        checkCode("faults.ignoreCodes", code);
    }
    for (const auto& [code, seconds] : faults.answerDelaySeconds) {
        checkCode("faults.answerDelay", code);
        checkSeconds("faults.answerDelay for code " + std::to_string(code), seconds);
    }
    if (faults.uploadStallPercent) {
        checkPercent("faults.uploadStallAtPercent", *faults.uploadStallPercent);
    }
    if (faults.uploadFailPercent) {
        checkPercent("faults.uploadFailAtPercent", *faults.uploadFailPercent);
    }
    if (faults.uploadStallPercent && faults.uploadFailPercent) {
        throw ScenarioError(
            "faults: uploadStallAtPercent and uploadFailAtPercent cannot both be set");
    }
    if (faults.dropSessionAfterSeconds) {
        checkSeconds("faults.dropSessionAfterSeconds", *faults.dropSessionAfterSeconds);
        if (*faults.dropSessionAfterSeconds <= 0) {
            throw ScenarioError("faults.dropSessionAfterSeconds must be more than 0");
        }
    }
}

std::string replaceAll(std::string text, std::string_view what, std::string_view with)
{
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// Replaces every "{n}" and "{n:W}" in `pattern`; false when there is none.
bool numberSerial(std::string_view pattern, int number, std::string& out)
{
    bool found = false;
    out.clear();
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const std::size_t open = pattern.find("{n", pos);
        if (open == std::string_view::npos) {
            break;
        }
        std::size_t close = open + 2;
        int width = 0;
        if (close < pattern.size() && pattern[close] == ':') {
            ++close;
            while (close < pattern.size() && pattern[close] >= '0' && pattern[close] <= '9' &&
                   width < 10) {
                width = width * 10 + (pattern[close] - '0');
                ++close;
            }
            if (width < 1 || width > 9) {
                close = std::string_view::npos;
            }
        }
        if (close == std::string_view::npos || close >= pattern.size() || pattern[close] != '}') {
            out.append(pattern.substr(pos, open + 2 - pos));
            pos = open + 2;
            continue;
        }
        std::string digits = std::to_string(number);
        if (digits.size() < static_cast<std::size_t>(width)) {
            digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
        }
        out.append(pattern.substr(pos, open - pos));
        out.append(digits);
        pos = close + 1;
        found = true;
    }
    out.append(pattern.substr(std::min(pos, pattern.size())));
    return found;
}

} // namespace

double CameraFaults::answerDelay(CommandCode code) const
{
    const auto found = answerDelaySeconds.find(code);
    return found == answerDelaySeconds.end() ? 0.0 : found->second;
}

std::uint64_t bytesAtPercent(std::uint64_t fileSize, int percent)
{
    if (percent <= 0) {
        return 0;
    }
    if (percent >= 100) {
        return fileSize;
    }
    // Split so that the product cannot overflow for any file size.
    const auto p = static_cast<std::uint64_t>(percent);
    return fileSize / 100 * p + fileSize % 100 * p / 100;
}

std::string CameraSetup::versionAnswerFor(std::string_view version) const
{
    return toGbk(replaceAll(versionAnswer, kVersionPlaceholder, version));
}

std::string CameraSetup::storageAnswer() const
{
    return "<RESPONSE_PARAM\r\n"
           "<Disk Index=\"1\" Name=\"SD1\" Total=\"" +
           std::to_string(storage.sd1) +
           "\" />\r\n"
           "<Disk Index=\"2\" Name=\"SD2\" Total=\"" +
           std::to_string(storage.sd2) +
           "\" />\r\n"
           "<Disk Index=\"3\" Name=\"USB\" Total=\"" +
           std::to_string(storage.usb) +
           "\" />\r\n"
           "/>";
}

CameraSetup makeCamera(std::string serial, std::string address)
{
    CameraSetup camera;
    camera.serial = std::move(serial);
    if (const auto parsed = parseIpv4(address)) {
        camera.mac = macForAddress(*parsed);
    }
    camera.address = std::move(address);
    return camera;
}

std::vector<CameraSetup> generateCameras(const CameraSetup& base, const CameraSeries& series)
{
    if (series.count < 1 || series.count > kMaxGeneratedCameras) {
        throw ScenarioError("count must be a number of cameras from 1 to " +
                            std::to_string(kMaxGeneratedCameras) + ", not " +
                            std::to_string(series.count));
    }
    if (series.firstNumber < 0) {
        throw ScenarioError("start must be 0 or more, not " + std::to_string(series.firstNumber));
    }
    std::string probe;
    if (!numberSerial(series.serialPattern, series.firstNumber, probe)) {
        throw ScenarioError("serial " + inQuotes(series.serialPattern) +
                            " has no {n} or {n:W} to number the generated cameras");
    }
    const auto firstAddress = parseIpv4(series.firstAddress);
    if (!firstAddress || !isUsableCameraAddress(*firstAddress)) {
        throw ScenarioError("address " + inQuotes(series.firstAddress) +
                            " is not a loopback address (127.x.y.z); the simulator only "
                            "listens on 127.0.0.0/8");
    }
    std::optional<std::uint64_t> firstMac;
    if (!series.firstMac.empty()) {
        firstMac = parseMac(series.firstMac);
        if (!firstMac) {
            throw ScenarioError("mac " + inQuotes(series.firstMac) +
                                " is not a MAC address like 00:1A:2B:3C:4D:5E");
        }
    }

    std::vector<CameraSetup> cameras;
    cameras.reserve(static_cast<std::size_t>(series.count));
    std::uint32_t address = *firstAddress;
    for (int i = 0; i < series.count; ++i) {
        if (i > 0) {
            const auto next = nextCameraAddress(address);
            if (!next) {
                throw ScenarioError("counting " + std::to_string(series.count) +
                                    " addresses up from " + series.firstAddress +
                                    " leaves 127.0.0.0/8");
            }
            address = *next;
        }
        CameraSetup camera = base;
        numberSerial(series.serialPattern, series.firstNumber + i, camera.serial);
        camera.address = formatIpv4(address);
        camera.mac = firstMac ? formatMac(*firstMac + static_cast<std::uint64_t>(i))
                              : macForAddress(address);
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

void validateCamera(const CameraSetup& camera)
{
    checkText("serial", camera.serial, kSerialBytes, false, false);
    if (!parseMac(camera.mac)) {
        throw ScenarioError("mac " + inQuotes(camera.mac) +
                            " is not a MAC address like 00:1A:2B:3C:4D:5E");
    }
    checkIpv4("address", camera.address);
    if (!isUsableCameraAddress(camera.address)) {
        throw ScenarioError("address " + inQuotes(camera.address) +
                            " is not a loopback address (127.x.y.z other than 127.0.0.0 and "
                            "127.255.255.255); the simulator only listens on 127.0.0.0/8");
    }
    checkIpv4("netmask", camera.netmask);
    checkIpv4("gateway", camera.gateway);
    checkIpv4("factoryAddress", camera.factoryAddress);
    if (camera.port == 0) {
        throw ScenarioError("port must be from 1 to 65535");
    }
    if (camera.speaksOnvif()) {
        if (camera.onvifPort == 0 || camera.rtspPort == 0) {
            throw ScenarioError("onvifPort and rtspPort must be from 1 to 65535");
        }
        // All of them listen on the camera's one address.
        if (camera.onvifPort == camera.rtspPort ||
            (camera.speaksVexlo() &&
             (camera.port == camera.onvifPort || camera.port == camera.rtspPort))) {
            throw ScenarioError("port " + std::to_string(camera.port) + ", onvifPort " +
                                std::to_string(camera.onvifPort) + " and rtspPort " +
                                std::to_string(camera.rtspPort) +
                                " must differ: they share the camera's address");
        }
    }
    checkText("type", camera.type, kTypeBytes, false, false);
    checkText("user", camera.user, kUserBytes, true, false);
    checkText("password", camera.password, kPasswordBytes, true, false);
    if (const auto problem = firmwareVersionProblem(camera.firmwareVersion); !problem.empty()) {
        throw ScenarioError("firmwareVersion: " + problem);
    }
    checkText("versionAnswer", camera.versionAnswer, kMaxAnswerBytes, true, true);
    checkSeconds("rebootSeconds", camera.rebootSeconds);
    checkSeconds("formatSeconds", camera.formatSeconds);
    checkSeconds("firmwareCheckSeconds", camera.firmwareCheckSeconds);
    checkFaults(camera.faults);
}

std::string_view protocolName(CameraProtocol protocol)
{
    switch (protocol) {
    case CameraProtocol::Vexlo:
        return "vexlo";
    case CameraProtocol::Onvif:
        return "onvif";
    case CameraProtocol::Both:
        return "both";
    }
    return "vexlo";
}

std::optional<CameraProtocol> parseProtocolName(std::string_view name)
{
    for (const auto protocol :
         {CameraProtocol::Vexlo, CameraProtocol::Onvif, CameraProtocol::Both}) {
        if (name == protocolName(protocol)) {
            return protocol;
        }
    }
    return std::nullopt;
}

std::string describeCamera(std::size_t position, const CameraSetup& camera)
{
    std::string text = "camera " + std::to_string(position) + " (";
    text += camera.serial.empty() ? "no serial" : "serial " + inQuotes(camera.serial);
    if (!camera.address.empty()) {
        text += ", address " + camera.address;
    }
    return text + ")";
}

void validateScenario(const Scenario& scenario)
{
    if (scenario.cameras.empty()) {
        throw ScenarioError("the scenario has no cameras");
    }
    std::map<std::uint32_t, std::size_t> byAddress;
    std::map<std::pair<std::string, std::uint64_t>, std::size_t> bySerialAndMac;
    for (std::size_t i = 0; i < scenario.cameras.size(); ++i) {
        const CameraSetup& camera = scenario.cameras[i];
        try {
            validateCamera(camera);
        } catch (const ScenarioError& error) {
            throw ScenarioError(describeCamera(i + 1, camera) + ": " + error.what());
        }
        const auto [sameAddress, newAddress] = byAddress.emplace(*parseIpv4(camera.address), i);
        if (!newAddress) {
            throw ScenarioError(
                describeCamera(i + 1, camera) + " uses the address of " +
                describeCamera(sameAddress->second + 1, scenario.cameras[sameAddress->second]));
        }
        const auto [samePair, newPair] =
            bySerialAndMac.emplace(std::make_pair(camera.serial, *parseMac(camera.mac)), i);
        if (!newPair) {
            throw ScenarioError(
                describeCamera(i + 1, camera) + " has the same serial and MAC as " +
                describeCamera(samePair->second + 1, scenario.cameras[samePair->second]) +
                "; modify IP could not tell them apart");
        }
    }
    // A camera restored to a loopback factory address must not land on another
    // camera's listening address.
    for (std::size_t i = 0; i < scenario.cameras.size(); ++i) {
        const CameraSetup& camera = scenario.cameras[i];
        const auto factory = parseIpv4(camera.factoryAddress);
        const auto taken = byAddress.find(*factory);
        if (taken != byAddress.end() && taken->second != i) {
            throw ScenarioError(describeCamera(i + 1, camera) + ": factoryAddress " +
                                camera.factoryAddress + " is the address of " +
                                describeCamera(taken->second + 1, scenario.cameras[taken->second]));
        }
    }
}

std::string toGbk(std::string_view utf8)
{
    return utf16ToGbk(utf8ToUtf16(utf8));
}

} // namespace vexlo::ipcsim
