#pragma once

#include "composite/backend_options.h"
#include "netsdk/options.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The command line of vexlo-cli.
namespace vexlo::cli {

struct CliOptions
{
    netsdk::NetSdkOptions netsdk;
    composite::BackendOptions backends; // --protocol, --credentials, --discovery-port
    std::optional<int> expectedCount;   // --expect N, 1..250
    bool search = false;                // the run always searches; accepted for scripts
    bool modifyIp = false;
    std::optional<std::string> upgradeFile; // UTF-8 path
    bool syncTime = false;
    bool formatSd1 = false;
    bool formatSd2 = false;
    bool formatUsb = false;
    std::optional<int> formatTimeoutMinutes;
    bool restore = false;
    bool reboot = false;
    bool otherSettings = false;
    std::filesystem::path configDirectory; // empty: configDirectory()
    bool english = false;
    bool answerYes = false;               // --answer yes|no; questions are answered No by default
    std::vector<std::string> onlySerials; // --only; empty: every row found stays ticked
    std::filesystem::path reportFile;     // --report; empty: no report
    bool help = false;
    bool version = false;

    // Whether any instruction option was given; without one, the ticks stored
    // in config.dat are used.
    bool anyInstruction() const;
};

// Reads the environment (VEXLO_SEARCH_PORT, VEXLO_DISCOVERY_PORT), then argv[1..argc-1]. False with
// `error` set for an unknown option, a missing or bad value, or options that
// cannot run together.
bool parseCliOptions(int argc, const char* const* argv, CliOptions& options, std::string& error);

// What --help prints.
const char* cliUsage();

} // namespace vexlo::cli
