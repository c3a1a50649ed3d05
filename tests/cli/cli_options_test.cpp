#include "cli/cli_options.h"
#include "cli/output_lines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using vexlo::cli::CliOptions;

namespace {

bool parse(const std::vector<const char*>& arguments, CliOptions& options, std::string& error)
{
    std::vector<const char*> argv{"vexlo-cli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return vexlo::cli::parseCliOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

} // namespace

TEST(CliOptions, InstructionsAndValues)
{
    unsetenv("VEXLO_SEARCH_PORT");
    CliOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--expect", "250",     "--format",      "usb",  "--format",         "sd1",
                       "--only",   "A1,,B2,", "--only",        "C3",   "--format-timeout", "25",
                       "--answer", "yes",     "--search-port", "4321", "--upgrade",        "fw.bin",
                       "--lang",   "en"},
                      options, error))
        << error;
    EXPECT_EQ(options.expectedCount, 250);
    EXPECT_TRUE(options.formatSd1 && options.formatUsb && !options.formatSd2);
    EXPECT_EQ(options.onlySerials, (std::vector<std::string>{"A1", "B2", "C3"}));
    EXPECT_EQ(options.formatTimeoutMinutes, 25);
    EXPECT_TRUE(options.answerYes);
    EXPECT_TRUE(options.english);
    EXPECT_EQ(options.netsdk.searchPort, 4321);
    EXPECT_TRUE(options.netsdk.loopbackOnly);
    EXPECT_EQ(options.upgradeFile, "fw.bin");
    EXPECT_TRUE(options.anyInstruction());

    CliOptions none;
    ASSERT_TRUE(parse({"--config", "/tmp/x", "--expect", "3"}, none, error));
    EXPECT_FALSE(none.anyInstruction()); // the stored ticks run
    EXPECT_FALSE(none.answerYes);
}

TEST(CliOptions, RefusedWithAReason)
{
    unsetenv("VEXLO_SEARCH_PORT");
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--expect", "251"}, "--expect takes a count from 1 to 250, not 251"},
        {{"--expect", "-1"}, "--expect takes a count from 1 to 250, not -1"},
        {{"--expect"}, "--expect needs a value"},
        {{"--format", "SD1"}, "--format takes sd1, sd2 or usb, not SD1"},
        {{"--format-timeout", "13"},
         "--format-timeout takes 1 to 10, 12, 14, 16, 18, 20, 25 or 30 minutes, not 13"},
        {{"--only", ",,"}, "--only needs at least one serial number"},
        {{"--upgrade", ""}, "--upgrade needs a value"},
        {{"--reboot", "--other-settings"},
         "--other-settings cannot run together with --restore or --reboot"},
        {{"--search-port", "70000"}, "not a port number: 70000"},
        {{"--protocol", "ONVIF"}, "--protocol takes vexlo, onvif or all, not ONVIF"},
        {{"--credentials"}, "--credentials needs a value"},
        {{"--discovery-port", "0"}, "not a port number: 0"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
    };
    for (const auto& [arguments, expected] : cases) {
        CliOptions options;
        std::string error;
        EXPECT_FALSE(parse(arguments, options, error)) << expected;
        EXPECT_EQ(error, expected);
    }
}

TEST(CliOptions, ProtocolsCredentialsAndDiscoveryPort)
{
    unsetenv("VEXLO_DISCOVERY_PORT");
    CliOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error));
    EXPECT_EQ(options.backends.protocols, vexlo::composite::Protocols::All);
    EXPECT_EQ(options.backends.discoveryPort, 3702);
    setenv("VEXLO_DISCOVERY_PORT", "4702", 1);
    ASSERT_TRUE(parse({"--protocol", "onvif", "--credentials", "/tmp/site.json", "--lan", "eth1"},
                      options, error))
        << error;
    unsetenv("VEXLO_DISCOVERY_PORT");
    EXPECT_EQ(options.backends.protocols, vexlo::composite::Protocols::Onvif);
    EXPECT_EQ(options.backends.credentialsFile, "/tmp/site.json");
    EXPECT_EQ(options.backends.discoveryPort, 4702);
    EXPECT_FALSE(options.netsdk.loopbackOnly) << "--lan is read once, for both protocols";
}

TEST(CliOptions, SearchPortFromTheEnvironmentIsOverriddenByTheOption)
{
    setenv("VEXLO_SEARCH_PORT", "5555", 1);
    CliOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error));
    EXPECT_EQ(options.netsdk.searchPort, 5555);
    ASSERT_TRUE(parse({"--search-port", "6666"}, options, error));
    EXPECT_EQ(options.netsdk.searchPort, 6666);
    setenv("VEXLO_SEARCH_PORT", "port", 1);
    EXPECT_FALSE(parse({}, options, error));
    unsetenv("VEXLO_SEARCH_PORT");
}

TEST(OutputLines, FieldsStayOnTheirLine)
{
    EXPECT_EQ(vexlo::cli::rowLine(u"SN\t1", 6, u"上传文件 12%\r\n"),
              "row\tSN 1\t6\t上传文件 12%  \n");
    EXPECT_EQ(vexlo::cli::askLine(u"是否继续操作？", false), "ask\t是否继续操作？\tno\n");
    EXPECT_EQ(vexlo::cli::boxLine(u"a\nb"), "box\ta b\n");
    const std::u16string cells[7] = {u"127.0.0.2", u"M", u"S", u"IPC", u"", u"", u"ok"};
    EXPECT_EQ(vexlo::cli::deviceLine(cells), "device\t127.0.0.2\tM\tS\tIPC\t\t\tok\n");
}
