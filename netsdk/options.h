#pragma once

#include "platform/address_ranges.h"
#include "protocol/wire.h"

#include <cstdint>
#include <memory>
#include <string>

// How the device library reaches the cameras. Set once, before Init.
namespace vexlo::netsdk {

struct NetSdkOptions
{
    // Loopback mode: nothing is ever sent outside 127.0.0.0/8. The real-LAN mode
    // (false) is only switched on by an explicit --lan INTERFACE.
    bool loopbackOnly = true;
    // Where search probes and modify-IP requests go.
    std::string searchAddress = "127.0.0.1";
    std::uint16_t searchPort = protocol::kDefaultSearchPort;
    // Filled into every search result: cameras never send credentials.
    std::string userName = "admin";
    std::string password;
    // The interface that carries the broadcasts in real-LAN mode.
    std::string lanInterface;
    // Ranges probed directly, address by address, besides the broadcast
    // (--scan RANGES): cameras behind a router. Shared with the ONVIF library
    // and the front end, which may change them between searches; null: none.
    std::shared_ptr<ScanTargets> scanTargets;
    // Threads that run the network I/O and the callbacks.
    int ioThreads = 2;
};

// What the command-line helper made of one argument.
enum class OptionMatch
{
    NotMine, // not a device-library option; the front end handles it
    Taken,   // consumed (with its value); the index points at the last one used
    Bad,     // a device-library option with a missing or invalid value
};

// Reads the device-library option at argv[index] (--lan INTERFACE,
// --search-port N, --scan RANGES). On Taken, index is moved past the value; on Bad, error says why.
OptionMatch takeNetSdkOption(NetSdkOptions& options, int argc, const char* const* argv, int& index,
                             std::string& error);

// Applies VEXLO_SEARCH_PORT from the environment; false with an error when it
// is set but not a port number. Command-line options read later override it.
bool applyNetSdkEnvironment(NetSdkOptions& options, std::string& error);

// Checks what holds only for all the options together (--scan and --lan may
// come in any order): false with an error when a scan range leaves loopback
// without --lan.
bool checkNetSdkOptions(const NetSdkOptions& options, std::string& error);

// A port number 1..65535 in plain decimal digits, or 0 when the text is not one.
std::uint16_t parsePortNumber(const char* text);

} // namespace vexlo::netsdk
