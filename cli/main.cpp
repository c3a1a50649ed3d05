// vexlo-cli: the execution driver without windows, for scripts and tests.
#include "cli/cli_options.h"
#include "cli/cli_run.h"
#include "netsdk/net_sdk.h"
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
    int status = vexlo::cli::kExitAllWell;
    {
        vexlo::netsdk::NetSdk deviceLibrary(options.netsdk);
        vexlo::sdk::installDeviceLibrary(&deviceLibrary);
        status = vexlo::cli::runCli(options, stdout, stderr);
        vexlo::sdk::installDeviceLibrary(nullptr);
    }
    return status;
}
