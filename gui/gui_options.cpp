#include "gui/gui_options.h"

#include <string_view>

namespace vexlo {

const char* guiUsage()
{
    return "usage: vexlo [--search-port N] [--lan INTERFACE] [--config DIR] [--lang zh|en]\n"
           "  --search-port N   UDP port of the cameras' search endpoint (also VEXLO_SEARCH_PORT)\n"
           "  --lan INTERFACE   search the real LAN on INTERFACE (default: loopback only)\n"
           "  --config DIR      folder of config.dat (default: beside the program)\n"
           "  --lang zh|en      language of the main window (default: zh)\n";
}

bool parseGuiOptions(int argc, const char* const* argv, GuiOptions& options, std::string& error)
{
    if (!netsdk::applyNetSdkEnvironment(options.netsdk, error))
        return false;
    for (int index = 1; index < argc; ++index) {
        switch (netsdk::takeNetSdkOption(options.netsdk, argc, argv, index, error)) {
        case netsdk::OptionMatch::Taken:
            continue;
        case netsdk::OptionMatch::Bad:
            return false;
        case netsdk::OptionMatch::NotMine:
            break;
        }
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
        } else {
            error = "unknown option " + std::string(option);
            return false;
        }
    }
    return true;
}

} // namespace vexlo
