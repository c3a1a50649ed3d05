#include "cli/cli_options.h"

#include <cstring>
#include <string_view>

namespace vexlo::cli {
namespace {

// The minutes that combo 1038 offers.
constexpr int kFormatTimeouts[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 25, 30};
constexpr int kMaxExpectedCount = 250;

// Plain decimal digits within 1..limit; 0 otherwise.
int parseCount(std::string_view text, int limit)
{
    if (text.empty() || text.size() > 9)
        return 0;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value <= limit ? value : 0;
}

bool isFormatTimeout(int minutes)
{
    for (int offered : kFormatTimeouts) {
        if (offered == minutes)
            return true;
    }
    return false;
}

std::vector<std::string> splitSerials(std::string_view text)
{
    std::vector<std::string> serials;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view serial = text.substr(0, comma);
        if (!serial.empty())
            serials.emplace_back(serial);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return serials;
}

class ArgumentReader
{
public:
    ArgumentReader(int argc, const char* const* argv, std::string& error)
        : m_argc(argc), m_argv(argv), m_error(error)
    {
    }

    // The value after the option at `index`, which moves onto it; none (and
    // the error set) when it is missing or empty.
    std::optional<std::string_view> value(int& index)
    {
        if (index + 1 >= m_argc || m_argv[index + 1] == nullptr || m_argv[index + 1][0] == '\0') {
            m_error = std::string(m_argv[index]) + " needs a value";
            return std::nullopt;
        }
        return std::string_view(m_argv[++index]);
    }

private:
    int m_argc;
    const char* const* m_argv;
    std::string& m_error;
};

bool takeFormat(std::string_view disk, CliOptions& options, std::string& error)
{
    if (disk == "sd1")
        options.formatSd1 = true;
    else if (disk == "sd2")
        options.formatSd2 = true;
    else if (disk == "usb")
        options.formatUsb = true;
    else {
        error = "--format takes sd1, sd2 or usb, not " + std::string(disk);
        return false;
    }
    return true;
}

bool takeOption(std::string_view option, int& index, ArgumentReader& reader, CliOptions& options,
                std::string& error)
{
    if (option == "--search") {
        options.search = true;
    } else if (option == "--modify-ip") {
        options.modifyIp = true;
    } else if (option == "--sync-time") {
        options.syncTime = true;
    } else if (option == "--restore") {
        options.restore = true;
    } else if (option == "--reboot") {
        options.reboot = true;
    } else if (option == "--other-settings") {
        options.otherSettings = true;
    } else if (option == "--help" || option == "-h") {
        options.help = true;
    } else if (option == "--version") {
        options.version = true;
    } else if (option == "--expect") {
        const auto text = reader.value(index);
        if (!text)
            return false;
        const int count = parseCount(*text, kMaxExpectedCount);
        if (count == 0) {
            error = "--expect takes a count from 1 to 250, not " + std::string(*text);
            return false;
        }
        options.expectedCount = count;
    } else if (option == "--upgrade") {
        const auto path = reader.value(index);
        if (!path)
            return false;
        options.upgradeFile = std::string(*path);
    } else if (option == "--format") {
        const auto disk = reader.value(index);
        return disk && takeFormat(*disk, options, error);
    } else if (option == "--format-timeout") {
        const auto text = reader.value(index);
        if (!text)
            return false;
        const int minutes = parseCount(*text, 30);
        if (!isFormatTimeout(minutes)) {
            error = "--format-timeout takes 1 to 10, 12, 14, 16, 18, 20, 25 or 30 minutes, not " +
                    std::string(*text);
            return false;
        }
        options.formatTimeoutMinutes = minutes;
    } else if (option == "--config") {
        const auto folder = reader.value(index);
        if (!folder)
            return false;
        options.configDirectory = std::string(*folder);
    } else if (option == "--lang") {
        const auto language = reader.value(index);
        if (!language)
            return false;
        if (*language != "zh" && *language != "en") {
            error = "--lang takes zh or en, not " + std::string(*language);
            return false;
        }
        options.english = *language == "en";
    } else if (option == "--report") {
        const auto file = reader.value(index);
        if (!file)
            return false;
        if (file->empty()) {
            error = "--report needs a file name";
            return false;
        }
        options.reportFile = std::string(*file);
    } else if (option == "--answer") {
        const auto answer = reader.value(index);
        if (!answer)
            return false;
        if (*answer != "yes" && *answer != "no") {
            error = "--answer takes yes or no, not " + std::string(*answer);
            return false;
        }
        options.answerYes = *answer == "yes";
    } else if (option == "--only") {
        const auto serials = reader.value(index);
        if (!serials)
            return false;
        for (std::string& serial : splitSerials(*serials))
            options.onlySerials.push_back(std::move(serial));
        if (options.onlySerials.empty()) {
            error = "--only needs at least one serial number";
            return false;
        }
    } else {
        error = "unknown option " + std::string(option);
        return false;
    }
    return true;
}

} // namespace

bool CliOptions::anyInstruction() const
{
    return search || modifyIp || upgradeFile || syncTime || formatSd1 || formatSd2 || formatUsb ||
           restore || reboot || otherSettings;
}

bool parseCliOptions(int argc, const char* const* argv, CliOptions& options, std::string& error)
{
    if (!netsdk::applyNetSdkEnvironment(options.netsdk, error) ||
        !composite::applyBackendEnvironment(options.backends, error))
        return false;
    ArgumentReader reader(argc, argv, error);
    for (int index = 1; index < argc; ++index) {
        if (argv[index] == nullptr)
            continue;
        netsdk::OptionMatch match =
            netsdk::takeNetSdkOption(options.netsdk, argc, argv, index, error);
        if (match == netsdk::OptionMatch::NotMine)
            match = composite::takeBackendOption(options.backends, argc, argv, index, error);
        if (match == netsdk::OptionMatch::Taken)
            continue;
        if (match == netsdk::OptionMatch::Bad)
            return false;
        if (!takeOption(argv[index], index, reader, options, error))
            return false;
    }
    // --scan and --lan may come in either order.
    if (!netsdk::checkNetSdkOptions(options.netsdk, error))
        return false;
    // The configuration push never runs together with a restore or a reboot.
    if (options.otherSettings && (options.restore || options.reboot)) {
        error = "--other-settings cannot run together with --restore or --reboot";
        return false;
    }
    return true;
}

const char* cliUsage()
{
    return "usage: vexlo-cli [options]\n"
           "Searches the cameras, then runs the chosen instructions on them in their fixed\n"
           "order: modify IP, upgrade, time sync, format SD1, SD2, USB, restore, reboot,\n"
           "other settings. Without instruction options the ticks stored in config.dat run.\n"
           "\n"
           "instructions:\n"
           "  --search              search (every run begins with one)\n"
           "  --modify-ip           give the devices consecutive addresses (set-IP settings\n"
           "                        of config.dat)\n"
           "  --upgrade FILE        upgrade the firmware from FILE\n"
           "  --sync-time           set the devices' clocks to this computer's\n"
           "  --format sd1|sd2|usb  format that storage (repeatable)\n"
           "  --restore             restore the factory settings\n"
           "  --reboot              reboot the devices\n"
           "  --other-settings      push the configuration profile of config.dat (not with\n"
           "                        --restore or --reboot)\n"
           "\n"
           "settings:\n"
           "  --expect N            the search ends once N devices are found (1..250;\n"
           "                        default: the count stored in config.dat)\n"
           "  --format-timeout MIN  give up a format after MIN minutes (1..10, 12, 14, 16,\n"
           "                        18, 20, 25 or 30; default: stored in config.dat)\n"
           "  --only SERIAL,...     after the search, keep only these devices ticked\n"
           "  --report FILE.csv     when the run ends, however it ends, write the device\n"
           "                        list to FILE.csv (UTF-8 CSV: IP, MAC, serial, type,\n"
           "                        versions before and after, status, export time)\n"
           "  --config DIR          folder of config.dat (default: the program's folder if\n"
           "                        it is writable and not under /usr, else\n"
           "                        $XDG_CONFIG_HOME/vexlo or ~/.config/vexlo); the ticks\n"
           "                        and counts given here are not stored there\n"
           "  --lang zh|en          language of the texts (default: zh)\n"
           "  --answer yes|no       how questions are answered (default: no); with yes a\n"
           "                        search short of N devices is repeated at most 3 times\n"
           "  --protocol vexlo|onvif|all\n"
           "                        which cameras to drive: the home protocol's, ONVIF\n"
           "                        cameras of any make, or both in one list (default: all;\n"
           "                        a camera that speaks both is driven by the home protocol)\n"
           "  --credentials FILE    the site's login pairs (default: credentials.json beside\n"
           "                        config.dat; without one: admin with an empty password)\n"
           "  --search-port N       UDP port of the cameras' search endpoint (also\n"
           "                        VEXLO_SEARCH_PORT)\n"
           "  --discovery-port N    UDP port of ONVIF discovery (default 3702; also\n"
           "                        VEXLO_DISCOVERY_PORT)\n"
           "  --lan INTERFACE       search and drive the real LAN on INTERFACE, for both\n"
           "                        protocols (default: loopback only)\n"
           "  --scan RANGES         also find cameras behind a router: every search sends\n"
           "                        its probe (both protocols) to each address of RANGES,\n"
           "                        paced, and again every 5 s while it runs. RANGES is\n"
           "                        FIRST-LAST or ADDRESS/PREFIX, several separated by\n"
           "                        commas, at most 4096 addresses in all; without --lan\n"
           "                        only 127.0.0.0/8 (e.g. 127.0.20.1-127.0.20.40)\n"
           "  --help                this text\n"
           "  --version             the program's version and the commit it was built from\n"
           "\n"
           "output (UTF-8, one tab-separated line per event):\n"
           "  action TEXT                 the current-action line\n"
           "  row SERIAL COLUMN TEXT      a device row's column 4, 5 or 6 changed\n"
           "  box TEXT                    a message box\n"
           "  ask TEXT yes|no             a question and the answer taken\n"
           "  done                        the run has ended; then per listed device:\n"
           "  device IP MAC SERIAL TYPE VERSION-BEFORE VERSION-AFTER STATUS\n"
           "\n"
           "exit status: 0 no device failed; 1 a device failed, fewer devices than\n"
           "expected were found, an instruction had no device, or the report could not be\n"
           "written; 2 bad options.\n"
           "VEXLO_TIME_SCALE=N runs every wait N times faster (for tests).\n";
}

} // namespace vexlo::cli
