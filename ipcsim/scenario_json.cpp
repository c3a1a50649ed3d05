#include "ipcsim/scenario_json.h"

#include "ipcsim/address.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <limits>
#include <sstream>

namespace vexlo::ipcsim {
namespace {

using nlohmann::json;

const std::set<std::string> kCameraKeys = {"serial",
                                           "mac",
                                           "address",
                                           "netmask",
                                           "gateway",
                                           "port",
                                           "protocol",
                                           "onvifPort",
                                           "rtspPort",
                                           "type",
                                           "user",
                                           "password",
                                           "firmwareVersion",
                                           "versionAnswer",
                                           "storage",
                                           "rebootSeconds",
                                           "formatSeconds",
                                           "firmwareCheckSeconds",
                                           "playParam",
                                           "factoryAddress",
                                           "faults",
                                           "note"};
const std::set<std::string> kSeriesKeys = {"count", "start"};
const std::set<std::string> kStorageKeys = {"sd1", "sd2", "usb"};
const std::set<std::string> kFaultKeys = {
    "loginRefused",        "loginNeverConfirmed", "refuseCodes",
    "ignoreCodes",         "answerDelay",         "uploadStallAtPercent",
    "uploadFailAtPercent", "refuseFirmware",      "neverBackAfterReboot",
    "refuseModifyIp",      "ignoreBroadcast",     "dropSessionAfterSeconds"};
const std::set<std::string> kTopKeys = {"defaults", "cameras", "note"};

std::string inQuotes(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

ScenarioError fieldError(std::string_view field, std::string_view problem)
{
    return ScenarioError("field " + inQuotes(field) + " " + std::string(problem));
}

void checkKeys(const json& object, const std::set<std::string>& allowed, std::string_view where)
{
    for (const auto& item : object.items()) {
        if (allowed.count(item.key()) == 0) {
            throw ScenarioError(std::string(where) + "unknown field " + inQuotes(item.key()));
        }
    }
}

std::string getString(const json& value, std::string_view field)
{
    if (!value.is_string()) {
        throw fieldError(field, "must be a text in double quotes");
    }
    return value.get<std::string>();
}

bool getBool(const json& value, std::string_view field)
{
    if (!value.is_boolean()) {
        throw fieldError(field, "must be true or false");
    }
    return value.get<bool>();
}

std::int64_t getInteger(const json& value, std::string_view field, std::int64_t low,
                        std::int64_t high)
{
    const std::string range =
        "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    if (value.is_number_unsigned()) {
        // JSON reads 0 as unsigned too, so the low end is checked here as well.
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(high) ||
            (low > 0 && number < static_cast<std::uint64_t>(low))) {
            throw fieldError(field, range);
        }
        return static_cast<std::int64_t>(value.get<std::uint64_t>());
    }
    if (!value.is_number_integer()) {
        throw fieldError(field, range);
    }
    const auto number = value.get<std::int64_t>();
    if (number < low || number > high) {
        throw fieldError(field, range);
    }
    return number;
}

double getSeconds(const json& value, std::string_view field)
{
    if (!value.is_number()) {
        throw fieldError(field, "must be a number of seconds");
    }
    return value.get<double>();
}

CommandCode parseCodeText(const std::string& text, std::string_view field)
{
    CommandCode code = 0;
    bool valid = !text.empty() && text.size() <= 8;
    for (const char c : text) {
        valid = valid && c >= '0' && c <= '9';
        if (valid) {
            code = code * 10 + static_cast<CommandCode>(c - '0');
        }
    }
    if (!valid || code == 0 || code > kMaxCommandCode) {
        throw fieldError(field, "has the key " + inQuotes(text) +
                                    ", which is not a command code (a number from 1 to " +
                                    std::to_string(kMaxCommandCode) + ")");
    }
    return code;
}

std::set<CommandCode> getCodes(const json& value, std::string_view field)
{
    if (!value.is_array()) {
        throw fieldError(field, "must be a list of command codes, like [1012, 1014]");
    }
    std::set<CommandCode> codes;
    for (const json& item : value) {
        codes.insert(static_cast<CommandCode>(getInteger(item, field, 1, kMaxCommandCode)));
    }
    return codes;
}

CameraFaults parseFaults(const json& value)
{
    if (!value.is_object()) {
        throw fieldError("faults", "must be an object");
    }
    checkKeys(value, kFaultKeys, "faults: ");
    CameraFaults faults;
    for (const auto& item : value.items()) {
        const std::string field = "faults." + item.key();
        const std::string& key = item.key();
        const json& v = item.value();
        if (key == "loginRefused") {
            faults.loginRefused = getBool(v, field);
        } else if (key == "loginNeverConfirmed") {
            faults.loginNeverConfirmed = getBool(v, field);
        } else if (key == "refuseCodes") {
            faults.refusedCodes = getCodes(v, field);
        } else if (key == "ignoreCodes") {
            faults.unansweredCodes = getCodes(v, field);
        } else if (key == "answerDelay") {
            if (!v.is_object()) {
                throw fieldError(field, "must be an object of code: seconds, like {\"1012\": 5}");
            }
            for (const auto& delay : v.items()) {
                const CommandCode code = parseCodeText(delay.key(), field);
                faults.answerDelaySeconds[code] =
                    getSeconds(delay.value(), field + "." + delay.key());
            }
        } else if (key == "uploadStallAtPercent") {
            faults.uploadStallPercent = static_cast<int>(getInteger(v, field, 0, 100));
        } else if (key == "uploadFailAtPercent") {
            faults.uploadFailPercent = static_cast<int>(getInteger(v, field, 0, 100));
        } else if (key == "refuseFirmware") {
            faults.firmwareRefused = getBool(v, field);
        } else if (key == "neverBackAfterReboot") {
            faults.neverBackAfterReboot = getBool(v, field);
        } else if (key == "refuseModifyIp") {
            faults.modifyIpRefused = getBool(v, field);
        } else if (key == "ignoreBroadcast") {
            faults.ignoreBroadcast = getBool(v, field);
        } else if (key == "dropSessionAfterSeconds") {
            faults.dropSessionAfterSeconds = getSeconds(v, field);
        }
    }
    return faults;
}

StorageTotals parseStorage(const json& value)
{
    if (!value.is_object()) {
        throw fieldError("storage",
                         "must be an object like {\"sd1\": 30436, \"sd2\": 0, \"usb\": 0}");
    }
    checkKeys(value, kStorageKeys, "storage: ");
    constexpr auto kLow = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHigh = std::numeric_limits<std::int32_t>::max();
    StorageTotals storage;
    if (value.contains("sd1")) {
        storage.sd1 =
            static_cast<std::int32_t>(getInteger(value["sd1"], "storage.sd1", kLow, kHigh));
    }
    if (value.contains("sd2")) {
        storage.sd2 =
            static_cast<std::int32_t>(getInteger(value["sd2"], "storage.sd2", kLow, kHigh));
    }
    if (value.contains("usb")) {
        storage.usb =
            static_cast<std::int32_t>(getInteger(value["usb"], "storage.usb", kLow, kHigh));
    }
    return storage;
}

// One camera from a merged entry; the texts are checked later by validateCamera.
CameraSetup parseCamera(const json& entry)
{
    CameraSetup camera;
    bool macGiven = false;
    for (const auto& item : entry.items()) {
        const std::string& key = item.key();
        const json& v = item.value();
        if (key == "serial") {
            camera.serial = getString(v, key);
        } else if (key == "mac") {
            camera.mac = getString(v, key);
            macGiven = true;
        } else if (key == "address") {
            camera.address = getString(v, key);
        } else if (key == "netmask") {
            camera.netmask = getString(v, key);
        } else if (key == "gateway") {
            camera.gateway = getString(v, key);
        } else if (key == "port") {
            camera.port = static_cast<std::uint16_t>(getInteger(v, key, 1, 65535));
        } else if (key == "protocol") {
            const auto protocol = parseProtocolName(getString(v, key));
            if (!protocol) {
                throw fieldError(key, "must be \"vexlo\", \"onvif\" or \"both\"");
            }
            camera.protocol = *protocol;
        } else if (key == "onvifPort") {
            camera.onvifPort = static_cast<std::uint16_t>(getInteger(v, key, 1, 65535));
        } else if (key == "rtspPort") {
            camera.rtspPort = static_cast<std::uint16_t>(getInteger(v, key, 1, 65535));
        } else if (key == "type") {
            camera.type = getString(v, key);
        } else if (key == "user") {
            camera.user = getString(v, key);
        } else if (key == "password") {
            camera.password = getString(v, key);
        } else if (key == "firmwareVersion") {
            camera.firmwareVersion = getString(v, key);
        } else if (key == "versionAnswer") {
            camera.versionAnswer = getString(v, key);
        } else if (key == "storage") {
            camera.storage = parseStorage(v);
        } else if (key == "rebootSeconds") {
            camera.rebootSeconds = getSeconds(v, key);
        } else if (key == "formatSeconds") {
            camera.formatSeconds = getSeconds(v, key);
        } else if (key == "firmwareCheckSeconds") {
            camera.firmwareCheckSeconds = getSeconds(v, key);
        } else if (key == "playParam") {
            camera.playParam = static_cast<std::int32_t>(
                getInteger(v, key, std::numeric_limits<std::int32_t>::min(),
                           std::numeric_limits<std::int32_t>::max()));
        } else if (key == "factoryAddress") {
            camera.factoryAddress = getString(v, key);
        } else if (key == "faults") {
            camera.faults = parseFaults(v);
        }
    }
    if (!entry.contains("serial")) {
        throw fieldError("serial", "is missing");
    }
    if (!entry.contains("address")) {
        throw fieldError("address", "is missing");
    }
    if (!macGiven) {
        if (const auto address = parseIpv4(camera.address)) {
            camera.mac = macForAddress(*address);
        }
    }
    return camera;
}

std::string entryName(std::size_t index, const json& entry)
{
    std::string name = "cameras[" + std::to_string(index) + "]";
    if (entry.contains("serial") && entry["serial"].is_string()) {
        name += " (serial " + inQuotes(entry["serial"].get<std::string>()) + ")";
    }
    return name;
}

void appendEntry(std::size_t index, const json& defaults, const json& entry,
                 std::vector<CameraSetup>& cameras)
{
    const std::string name = entryName(index, entry);
    if (!entry.is_object()) {
        throw ScenarioError(name + " must be an object");
    }
    const bool generated = entry.contains("count");
    if (!generated && entry.contains("start")) {
        throw ScenarioError(name + ": field \"start\" belongs to a generated block, which "
                                   "needs \"count\" too");
    }
    std::set<std::string> allowed = kCameraKeys;
    if (generated) {
        allowed.insert(kSeriesKeys.begin(), kSeriesKeys.end());
    }
    checkKeys(entry, allowed, name + ": ");

    json merged = defaults;
    json patch = entry;
    patch.erase("count");
    patch.erase("start");
    merged.merge_patch(patch);

    if (!generated) {
        try {
            CameraSetup camera = parseCamera(merged);
            validateCamera(camera);
            cameras.push_back(std::move(camera));
        } catch (const ScenarioError& error) {
            throw ScenarioError(name + ": " + error.what());
        }
        return;
    }

    std::vector<CameraSetup> series;
    try {
        CameraSeries numbering;
        numbering.count = static_cast<int>(getInteger(entry["count"], "count", 1, 100000));
        if (entry.contains("start")) {
            numbering.firstNumber =
                static_cast<int>(getInteger(entry["start"], "start", 0, 999999999));
        }
        CameraSetup base = parseCamera(merged);
        numbering.serialPattern = base.serial;
        numbering.firstAddress = base.address;
        if (merged.contains("mac")) {
            numbering.firstMac = base.mac;
        }
        series = generateCameras(base, numbering);
    } catch (const ScenarioError& error) {
        throw ScenarioError(name + ", a generated block: " + error.what());
    }
    for (std::size_t i = 0; i < series.size(); ++i) {
        try {
            validateCamera(series[i]);
        } catch (const ScenarioError& error) {
            throw ScenarioError(name + ", generated camera " + std::to_string(i + 1) + " of " +
                                std::to_string(series.size()) + " (serial " +
                                inQuotes(series[i].serial) + ", address " + series[i].address +
                                "): " + error.what());
        }
        cameras.push_back(std::move(series[i]));
    }
}

std::string withoutLibraryPrefix(std::string message)
{
    // "[json.exception.parse_error.101] parse error at line 3, ..." -> "parse error at ..."
    if (!message.empty() && message.front() == '[') {
        const auto close = message.find("] ");
        if (close != std::string::npos) {
            message.erase(0, close + 2);
        }
    }
    return message;
}

} // namespace

Scenario parseScenario(std::string_view jsonText)
{
    json root;
    try {
        root = json::parse(jsonText.begin(), jsonText.end());
    } catch (const json::parse_error& error) {
        throw ScenarioError("the scenario is not valid JSON: " +
                            withoutLibraryPrefix(error.what()));
    }
    if (!root.is_object()) {
        throw ScenarioError("the scenario must be a JSON object with a \"cameras\" list");
    }
    checkKeys(root, kTopKeys, "the scenario has an ");

    json defaults = json::object();
    if (root.contains("defaults")) {
        defaults = root["defaults"];
        if (!defaults.is_object()) {
            throw ScenarioError("defaults must be an object");
        }
        for (const auto& key : kSeriesKeys) {
            if (defaults.contains(key)) {
                throw ScenarioError("defaults: field " + inQuotes(key) +
                                    " belongs in a generated block in \"cameras\"");
            }
        }
        checkKeys(defaults, kCameraKeys, "defaults: ");
        try {
            // Wrong types in the defaults are reported here, not once per camera.
            json probe = defaults;
            probe["serial"] = "probe";
            probe["address"] = "127.0.0.1";
            parseCamera(probe);
        } catch (const ScenarioError& error) {
            throw ScenarioError(std::string("defaults: ") + error.what());
        }
    }

    if (!root.contains("cameras") || !root["cameras"].is_array()) {
        throw ScenarioError("the scenario needs a \"cameras\" list");
    }
    Scenario scenario;
    const json& entries = root["cameras"];
    for (std::size_t i = 0; i < entries.size(); ++i) {
        appendEntry(i, defaults, entries[i], scenario.cameras);
    }
    validateScenario(scenario);
    return scenario;
}

Scenario loadScenario(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw ScenarioError("cannot open the scenario file " + file.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw ScenarioError("cannot read the scenario file " + file.string());
    }
    try {
        return parseScenario(text.str());
    } catch (const ScenarioError& error) {
        throw ScenarioError(file.string() + ": " + error.what());
    }
}

} // namespace vexlo::ipcsim
