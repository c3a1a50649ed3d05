#include "ipcsim/program_options.h"

#include <charconv>

namespace vexlo::ipcsim {
namespace {

template <typename Number> Number parseNumber(const std::string& text, const std::string& option)
{
    Number value{};
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        throw UsageError(option + " needs a whole number, not \"" + text + "\"");
    }
    return value;
}

// The value after an option, or a UsageError when the line ends there.
const std::string& valueOf(const std::vector<std::string>& arguments, std::size_t& at)
{
    if (at + 1 >= arguments.size()) {
        throw UsageError(arguments[at] + " needs a value");
    }
    return arguments[++at];
}

MakeFirmwareOptions parseMakeFirmware(const std::vector<std::string>& arguments)
{
    MakeFirmwareOptions options;
    std::vector<std::string> positional;
    for (std::size_t at = 1; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument == "--size") {
            options.size = parseNumber<std::uint64_t>(valueOf(arguments, at), "--size");
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
            throw UsageError("unknown option " + argument + " for make-firmware");
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2) {
        throw UsageError("make-firmware needs VERSION and FILE");
    }
    options.version = positional[0];
    options.file = positional[1];
    return options;
}

RunOptions parseRun(const std::vector<std::string>& arguments)
{
    RunOptions options;
    bool haveScenario = false;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (argument == "--scenario") {
            options.scenarioFile = valueOf(arguments, at);
            haveScenario = true;
        } else if (argument == "--log") {
            options.logFile = valueOf(arguments, at);
        } else if (argument == "--search-port") {
            const auto port = parseNumber<std::uint32_t>(valueOf(arguments, at), "--search-port");
            if (port > 65535) {
                throw UsageError("--search-port must be from 0 to 65535");
            }
            options.searchPort = static_cast<std::uint16_t>(port);
        } else if (argument == "--discovery-port") {
            const auto port =
                parseNumber<std::uint32_t>(valueOf(arguments, at), "--discovery-port");
            if (port > 65535) {
                throw UsageError("--discovery-port must be from 0 to 65535");
            }
            options.discoveryPort = static_cast<std::uint16_t>(port);
        } else {
            throw UsageError("unknown argument " + argument);
        }
    }
    if (!haveScenario || options.scenarioFile.empty()) {
        throw UsageError("--scenario FILE is required");
    }
    return options;
}

} // namespace

ProgramOptions parseProgramOptions(const std::vector<std::string>& arguments)
{
    ProgramOptions options;
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        }
        if (argument == "--version") {
            options.version = true;
            return options;
        }
    }
    if (!arguments.empty() && arguments[0] == "make-firmware") {
        options.makeFirmware = parseMakeFirmware(arguments);
    } else {
        options.run = parseRun(arguments);
    }
    return options;
}

std::string usageText()
{
    return "usage: vexlo-ipcsim --scenario FILE [--log FILE] [--search-port N]\n"
           "                    [--discovery-port N]\n"
           "       vexlo-ipcsim make-firmware VERSION FILE [--size BYTES]\n"
           "       vexlo-ipcsim --help | --version\n"
           "\n"
           "Runs the simulated cameras of a scenario on loopback addresses and prints\n"
           "\"ready <search-port>\" once all of them listen; stops on SIGINT or SIGTERM.\n"
           "ONVIF cameras answer WS-Discovery on port 3702, or on --discovery-port N\n"
           "(0: a free port); with that option the ready line names the discovery port\n"
           "after the search port.\n"
           "make-firmware writes a firmware file the simulated cameras accept.\n"
           "VEXLO_TIME_SCALE=N makes every time of the scenario N times shorter.\n";
}

} // namespace vexlo::ipcsim
