// vexlo-ipcsim: runs a simulated site, or writes a firmware file.

#include "ipcsim/firmware.h"
#include "ipcsim/program_options.h"
#include "ipcsim/scenario_json.h"
#include "ipcsim/site.h"
#include "platform/version.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <string>
#include <vector>

using namespace vexlo::ipcsim;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int makeFirmware(const MakeFirmwareOptions& options)
{
    try {
        makeFirmwareFile(options.file, options.version,
                         options.size.value_or(kDefaultFirmwareFileSize));
    } catch (const FirmwareError& error) {
        std::cerr << "vexlo-ipcsim make-firmware: " << error.what() << '\n';
        return kExitFailure;
    }
    return 0;
}

int runSite(const RunOptions& options)
{
    // The signals are taken by sigwait below, never by a handler: block them
    // before any thread starts, so every thread of the site inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Scenario scenario;
    try {
        scenario = loadScenario(options.scenarioFile);
    } catch (const ScenarioError& error) {
        std::cerr << "vexlo-ipcsim: " << error.what() << '\n';
        return kExitUsage;
    }
    SiteOptions siteOptions;
    siteOptions.searchPort = options.searchPort.value_or(vexlo::protocol::kDefaultSearchPort);
    if (options.logFile) {
        siteOptions.logFile = *options.logFile;
    }
    if (options.discoveryPort) {
        siteOptions.discoveryPort = *options.discoveryPort;
    }
    Site site(std::move(scenario), siteOptions);
    try {
        site.start();
    } catch (const SiteError& error) {
        std::cerr << "vexlo-ipcsim: " << error.what() << '\n';
        return kExitFailure;
    }
    std::cout << "ready " << site.searchPort();
    if (options.discoveryPort) {
        std::cout << ' ' << site.discoveryPort();
    }
    std::cout << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    site.stop();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ProgramOptions options;
    try {
        options = parseProgramOptions(arguments);
    } catch (const UsageError& error) {
        std::cerr << "vexlo-ipcsim: " << error.what() << "\n\n" << usageText();
        return kExitUsage;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    if (options.version) {
        std::cout << "vexlo-ipcsim " << vexlo::versionText() << '\n';
        return 0;
    }
    if (options.makeFirmware) {
        return makeFirmware(*options.makeFirmware);
    }
    try {
        return runSite(*options.run);
    } catch (const std::exception& error) {
        std::cerr << "vexlo-ipcsim: " << error.what() << '\n';
        return kExitFailure;
    }
}
