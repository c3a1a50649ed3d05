#include "composite/backend_options.h"

#include <cstdlib>
#include <cstring>

namespace vexlo::composite {

namespace {

constexpr const char* kProtocolOption = "--protocol";
constexpr const char* kCredentialsOption = "--credentials";
constexpr const char* kDiscoveryPortOption = "--discovery-port";
constexpr const char* kDiscoveryPortVariable = "VEXLO_DISCOVERY_PORT";

} // namespace

const char* protocolsName(Protocols protocols)
{
    switch (protocols) {
    case Protocols::Home:
        return "vexlo";
    case Protocols::Onvif:
        return "onvif";
    case Protocols::All:
        break;
    }
    return "all";
}

netsdk::OptionMatch takeBackendOption(BackendOptions& options, int argc, const char* const* argv,
                                      int& index, std::string& error)
{
    using netsdk::OptionMatch;
    if (argv == nullptr || index < 0 || index >= argc || argv[index] == nullptr)
        return OptionMatch::NotMine;
    const char* name = argv[index];
    const bool isProtocol = std::strcmp(name, kProtocolOption) == 0;
    const bool isCredentials = std::strcmp(name, kCredentialsOption) == 0;
    const bool isPort = std::strcmp(name, kDiscoveryPortOption) == 0;
    if (!isProtocol && !isCredentials && !isPort)
        return OptionMatch::NotMine;
    if (index + 1 >= argc || argv[index + 1] == nullptr || argv[index + 1][0] == '\0') {
        error = std::string(name) + " needs a value";
        return OptionMatch::Bad;
    }
    const std::string value = argv[index + 1];
    if (isProtocol) {
        if (value == "vexlo")
            options.protocols = Protocols::Home;
        else if (value == "onvif")
            options.protocols = Protocols::Onvif;
        else if (value == "all")
            options.protocols = Protocols::All;
        else {
            error = "--protocol takes vexlo, onvif or all, not " + value;
            return OptionMatch::Bad;
        }
    } else if (isCredentials) {
        options.credentialsFile = value;
    } else {
        const std::uint16_t port = netsdk::parsePortNumber(value.c_str());
        if (port == 0) {
            error = "not a port number: " + value;
            return OptionMatch::Bad;
        }
        options.discoveryPort = port;
    }
    index += 1;
    return OptionMatch::Taken;
}

bool applyBackendEnvironment(BackendOptions& options, std::string& error)
{
    const char* text = std::getenv(kDiscoveryPortVariable);
    if (text == nullptr)
        return true;
    const std::uint16_t port = netsdk::parsePortNumber(text);
    if (port == 0) {
        error = std::string(kDiscoveryPortVariable) + " is not a port number: " + text;
        return false;
    }
    options.discoveryPort = port;
    return true;
}

} // namespace vexlo::composite
