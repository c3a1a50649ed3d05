#pragma once

#include "netsdk/options.h"

#include <cstdint>
#include <filesystem>
#include <string>

// Which device libraries a front end runs, and their options beyond the home
// protocol's: --protocol vexlo|onvif|all, --credentials FILE,
// --discovery-port N (and VEXLO_DISCOVERY_PORT). --lan INTERFACE, read by the
// home protocol's options, applies to both.
namespace vexlo::composite {

enum class Protocols
{
    Home,  // vexlo: the home protocol only
    Onvif, // onvif
    All,   // all: both, one list
};

struct BackendOptions
{
    Protocols protocols = Protocols::All;
    std::filesystem::path credentialsFile; // empty: credentials.json beside config.dat
    std::uint16_t discoveryPort = 3702;
};

// Reads the option at argv[index] if it is one of the above; like
// netsdk::takeNetSdkOption.
netsdk::OptionMatch takeBackendOption(BackendOptions& options, int argc, const char* const* argv,
                                      int& index, std::string& error);

// Applies VEXLO_DISCOVERY_PORT; false with an error when it is not a port number.
bool applyBackendEnvironment(BackendOptions& options, std::string& error);

// "vexlo", "onvif", "all"
const char* protocolsName(Protocols protocols);

} // namespace vexlo::composite
