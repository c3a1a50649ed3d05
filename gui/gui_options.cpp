#include "gui/gui_options.h"

#include <string_view>

namespace vexlo {

const char* guiUsage()
{
    return "usage: vexlo [--protocol vexlo|onvif|all] [--credentials FILE] [--search-port N]\n"
           "             [--discovery-port N] [--lan INTERFACE] [--scan RANGES] [--config DIR]\n"
           "             [--lang zh|en] [--help] [--version]\n"
           "  --protocol P        the cameras to drive: the home protocol's (vexlo), ONVIF\n"
           "                      cameras of any make (onvif) or both in one list (all, the\n"
           "                      default)\n"
           "  --credentials FILE  the site's login pairs (default: credentials.json beside\n"
           "                      config.dat)\n"
           "  --search-port N     UDP port of the cameras' search endpoint (also\n"
           "                      VEXLO_SEARCH_PORT)\n"
           "  --discovery-port N  UDP port of ONVIF discovery (default 3702; also\n"
           "                      VEXLO_DISCOVERY_PORT)\n"
           "  --lan INTERFACE     search and drive the real LAN on INTERFACE, both protocols\n"
           "                      (default: loopback only)\n"
           "  --scan RANGES       also probe each address of RANGES directly (FIRST-LAST or\n"
           "                      ADDRESS/PREFIX, comma-separated, at most 4096 addresses)\n"
           "  --config DIR        folder of config.dat and credentials.json (default: the\n"
           "                      program's folder if it is writable and not under /usr,\n"
           "                      else $XDG_CONFIG_HOME/vexlo or ~/.config/vexlo)\n"
           "  --lang zh|en        language of the main window (default: zh)\n"
           "  --help              this text\n"
           "  --version           the program's version and the commit it was built from\n";
}

bool parseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error)
{
    if (!netsdk::applyNetSdkEnvironment(options.netsdk, error) ||
        !composite::applyBackendEnvironment(options.backends, error))
        return false;
    for (int index = 1; index < argc; ++index) {
        netsdk::OptionMatch match =
            netsdk::takeNetSdkOption(options.netsdk, argc, argv, index, error);
        if (match == netsdk::OptionMatch::NotMine)
            match = composite::takeBackendOption(options.backends, argc, argv, index, error);
        if (match == netsdk::OptionMatch::Taken)
            continue;
        if (match == netsdk::OptionMatch::Bad)
            return false;
        const std::string_view option = argv[index];
        const bool hasValue = index + 1 < argc;
        if (option == "--config") {
            if (!hasValue || std::string_view(argv[index + 1]).empty()) {
                error = "--config needs a folder";
                return false;
            }
            options.configDirectory = argv[++index];
        } else if (option == "--lang") {
            const std::string_view value = hasValue ? argv[index + 1] : "";
            if (value != "zh" && value != "en") {
                error = "--lang takes zh or en";
                return false;
            }
            options.english = value == "en";
            ++index;
        } else if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else {
            error = "unknown option " + std::string(option);
            return false;
        }
    }
    return netsdk::checkNetSdkOptions(options.netsdk, error);
}

} // namespace vexlo
