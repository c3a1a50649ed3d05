#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The command line of vexlo-ipcsim:
//   vexlo-ipcsim --scenario FILE [--log FILE] [--search-port N] [--discovery-port N]
//   vexlo-ipcsim make-firmware VERSION FILE [--size BYTES]
//   vexlo-ipcsim --help | --version
namespace vexlo::ipcsim {

// A command line that cannot be run; the program prints the message and the
// usage and exits with status 2.
class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct RunOptions
{
    std::string scenarioFile;
    std::optional<std::string> logFile;
    std::optional<std::uint16_t> searchPort;
    // Given: WS-Discovery answers on this port (0: a free one) and the ready
    // line names it after the search port.
    std::optional<std::uint16_t> discoveryPort;
};

struct MakeFirmwareOptions
{
    std::string version;
    std::string file;
    std::optional<std::uint64_t> size;
};

struct ProgramOptions
{
    bool help = false;
    bool version = false;
    std::optional<RunOptions> run;
    std::optional<MakeFirmwareOptions> makeFirmware;
};

// Reads the arguments after the program name. Throws UsageError.
ProgramOptions parseProgramOptions(const std::vector<std::string>& arguments);

std::string usageText();

} // namespace vexlo::ipcsim
