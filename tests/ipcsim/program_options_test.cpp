#include "ipcsim/program_options.h"

#include <gtest/gtest.h>

using namespace vexlo::ipcsim;

TEST(ProgramOptions, RunAndMakeFirmware)
{
    auto run = parseProgramOptions({"--scenario", "s.json", "--log", "l", "--search-port", "0"});
    ASSERT_TRUE(run.run);
    EXPECT_EQ(run.run->scenarioFile, "s.json");
    EXPECT_EQ(run.run->logFile, "l");
    EXPECT_EQ(run.run->searchPort, 0);
    EXPECT_FALSE(parseProgramOptions({"--scenario", "s.json"}).run->searchPort);

    auto firmware =
        parseProgramOptions({"make-firmware", "V5.3.0 build 1", "f.bin", "--size", "96"});
    ASSERT_TRUE(firmware.makeFirmware);
    EXPECT_EQ(firmware.makeFirmware->version, "V5.3.0 build 1");
    EXPECT_EQ(firmware.makeFirmware->file, "f.bin");
    EXPECT_EQ(firmware.makeFirmware->size, 96u);

    EXPECT_TRUE(parseProgramOptions({"--help"}).help);
    EXPECT_TRUE(parseProgramOptions({"make-firmware", "-h"}).help);
}

TEST(ProgramOptions, BadLinesAreUsageErrors)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--scenario"},
        {"--scenario", ""},
        {"--scenario", "s", "--search-port", "65536"},
        {"--scenario", "s", "--search-port", "-1"},
        {"--scenario", "s", "--search-port", "12x"},
        {"--scenario", "s", "--verbose"},
        {"make-firmware", "V1"},
        {"make-firmware", "V1", "f", "extra"},
        {"make-firmware", "V1", "f", "--size"},
        {"make-firmware", "V1", "f", "--size", "big"},
        {"make-firmware", "V1", "f", "--colour"},
    };
    for (const auto& arguments : bad) {
        std::string line;
        for (const auto& argument : arguments) {
            line += argument + " ";
        }
        EXPECT_THROW(parseProgramOptions(arguments), UsageError) << line;
    }
}
