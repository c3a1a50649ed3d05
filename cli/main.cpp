// vexlo-cli: the execution driver without windows, for scripts and tests.
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "composite/device_libraries.h"
#include "platform/version.h"
#include "profile/profile_file.h"
#include "sdk/backend.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    vexlo::cli::CliOptions options;
    std::string error;
    if (!vexlo::cli::parseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "vexlo-cli: %s\n(vexlo-cli --help lists the options)\n",
                     error.c_str());
        return vexlo::cli::kExitBadOptions;
    }
    if (options.help) {
        std::fputs(vexlo::cli::cliUsage(), stdout);
        return vexlo::cli::kExitAllWell;
    }
    if (options.version) {
        std::printf("vexlo-cli %s\n", vexlo::versionText());
        return vexlo::cli::kExitAllWell;
    }
    const auto credentialsFile = vexlo::composite::credentialsPath(
        options.backends,
        options.configDirectory.empty() ? vexlo::configDirectory() : options.configDirectory);
    const auto site = vexlo::composite::readSiteCredentials(credentialsFile, error);
    if (!site) {
        std::fprintf(stderr, "vexlo-cli: %s\n", error.c_str());
        return vexlo::cli::kExitBadOptions;
    }
    int status = vexlo::cli::kExitAllWell;
    {
        const auto store = std::make_shared<vexlo::credentials::CredentialStore>(*site);
        vexlo::composite::DeviceLibraries libraries(options.backends, options.netsdk, store);
        vexlo::sdk::installDeviceLibrary(&libraries.active());
        status = vexlo::cli::runCli(options, stdout, stderr);
        vexlo::sdk::installDeviceLibrary(nullptr);
        if (!vexlo::composite::saveChangedCredentials(credentialsFile, *site, *store, error))
            std::fprintf(stderr, "vexlo-cli: a camera's new password was not kept: %s\n",
                         error.c_str());
    }
    return status;
}
