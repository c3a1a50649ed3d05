#include "netsdk/options.h"

#include "netsdk/address_guard.h"

#include <cstdlib>
#include <cstring>

namespace vexlo::netsdk {

namespace {

constexpr const char* kLanOption = "--lan";
constexpr const char* kSearchPortOption = "--search-port";
constexpr const char* kScanOption = "--scan";
constexpr const char* kSearchPortVariable = "VEXLO_SEARCH_PORT";
// Broadcast on the chosen interface reaches every camera of the site's segment.
constexpr const char* kBroadcastAddress = "255.255.255.255";

} // namespace

std::uint16_t parsePortNumber(const char* text)
{
    if (text == nullptr || *text == '\0')
        return 0;
    std::uint32_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        value = value * 10 + static_cast<std::uint32_t>(*p - '0');
        if (value > 65535)
            return 0;
    }
    return static_cast<std::uint16_t>(value);
}

OptionMatch takeNetSdkOption(NetSdkOptions& options, int argc, const char* const* argv, int& index,
                             std::string& error)
{
    if (argv == nullptr || index < 0 || index >= argc || argv[index] == nullptr)
        return OptionMatch::NotMine;
    const char* name = argv[index];
    const bool isLan = std::strcmp(name, kLanOption) == 0;
    const bool isPort = std::strcmp(name, kSearchPortOption) == 0;
    const bool isScan = std::strcmp(name, kScanOption) == 0;
    if (!isLan && !isPort && !isScan)
        return OptionMatch::NotMine;
    if (index + 1 >= argc || argv[index + 1] == nullptr || argv[index + 1][0] == '\0') {
        error = std::string(name) + " needs a value";
        return OptionMatch::Bad;
    }
    const char* value = argv[index + 1];
    if (isLan) {
        // IFNAMSIZ is 16 with its NUL.
        if (std::strlen(value) > 15) {
            error = std::string("interface name too long: ") + value;
            return OptionMatch::Bad;
        }
        options.loopbackOnly = false;
        options.lanInterface = value;
        options.searchAddress = kBroadcastAddress;
    } else if (isScan) {
        AddressRangeList list = parseAddressRanges(value);
        if (!list.ok()) {
            error = "--scan: " + list.error;
            return OptionMatch::Bad;
        }
        options.scanTargets = std::make_shared<ScanTargets>(std::move(list.ranges));
    } else {
        const std::uint16_t port = parsePortNumber(value);
        if (port == 0) {
            error = std::string("not a port number: ") + value;
            return OptionMatch::Bad;
        }
        options.searchPort = port;
    }
    index += 1;
    return OptionMatch::Taken;
}

bool checkNetSdkOptions(const NetSdkOptions& options, std::string& error)
{
    if (!options.scanTargets)
        return true;
    const std::string problem =
        AddressGuard(options.loopbackOnly).scanProblem(options.scanTargets->ranges());
    if (problem.empty())
        return true;
    error = "--scan: " + problem;
    return false;
}

bool applyNetSdkEnvironment(NetSdkOptions& options, std::string& error)
{
    const char* text = std::getenv(kSearchPortVariable);
    if (text == nullptr)
        return true;
    const std::uint16_t port = parsePortNumber(text);
    if (port == 0) {
        error = std::string(kSearchPortVariable) + " is not a port number: " + text;
        return false;
    }
    options.searchPort = port;
    return true;
}

} // namespace vexlo::netsdk
