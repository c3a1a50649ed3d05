#pragma once

#include "composite/backend_options.h"
#include "netsdk/options.h"

#include <filesystem>
#include <string>

// The command line of the `vexlo` program: the device libraries' options
// (--protocol, --credentials, --search-port N, --discovery-port N,
// --lan INTERFACE, VEXLO_SEARCH_PORT and VEXLO_DISCOVERY_PORT), the folder of
// config.dat (--config DIR), the language (--lang zh|en), --help and --version.
namespace vexlo {

struct GuiOptions
{
    netsdk::NetSdkOptions netsdk;
    composite::BackendOptions backends;    // --protocol, --credentials, --discovery-port
    std::filesystem::path configDirectory; // empty: configDirectory()
    bool english = false;
    bool help = false;
    bool version = false;
};

// Reads the environment, then argv[1..argc-1]; false with `error` set on a bad
// or unknown option.
bool parseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error);

// What --help prints.
const char* guiUsage();

} // namespace vexlo
