#include "sim_client.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include "ipcsim/firmware.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

using namespace simtest;

namespace {

// vexlo-ipcsim run as a child at a high time scale.
class Program : public vexlo::test::ChildProcess
{
public:
    explicit Program(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), VEXLO_IPCSIM_PROGRAM);
        if (!start(arguments, {{"VEXLO_TIME_SCALE", "50"}}))
            throw std::runtime_error("vexlo-ipcsim could not be started");
    }
};

std::string scenarioText(int block)
{
    const std::string base =
        "127." + std::to_string(20 + getpid() % 200) + "." + std::to_string(251 + block % 4) + ".";
    return R"({"cameras": [{"count": 3, "serial": "P{n:3}", "address": ")" + base +
           R"(1"}, {"serial": "PNVR", "address": ")" + base + R"(9", "type": "NVR"}]})";
}

} // namespace

TEST(Program, PrintsReadyAnswersSearchesAndStopsOnSigterm)
{
    vexlo::test::TempDir dir;
    std::ofstream(dir / "site.json") << scenarioText(0);
    Program program({"--scenario", (dir / "site.json").string(), "--search-port", "0", "--log",
                     (dir / "log.jsonl").string()});
    const auto ready = program.readLine(kDeadline);
    ASSERT_TRUE(ready) << program.errors();
    ASSERT_EQ(ready->rfind("ready ", 0), 0u) << *ready;
    const int port = std::stoi(ready->substr(6));
    ASSERT_GT(port, 0);

    SearchClient search;
    search.probe(static_cast<std::uint16_t>(port), 3);
    EXPECT_EQ(search.collect(3, 4, kDeadline).size(), 4u);

    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(kDeadline), 0);
    EXPECT_TRUE(std::filesystem::file_size(dir / "log.jsonl") > 0);
}

TEST(Program, StopsOnSigintToo)
{
    vexlo::test::TempDir dir;
    std::ofstream(dir / "site.json") << scenarioText(1);
    Program program({"--scenario", (dir / "site.json").string(), "--search-port", "0"});
    ASSERT_TRUE(program.readLine(kDeadline)) << program.errors();
    program.signal(SIGINT);
    EXPECT_EQ(program.wait(kDeadline), 0);
}

TEST(Program, BadOptionsAndBadScenariosExitWithTwo)
{
    vexlo::test::TempDir dir;
    std::ofstream(dir / "bad.json")
        << R"({"cameras": [{"serial": "LAN", "address": "192.168.1.64"}]})";
    {
        Program program({"--scenario", (dir / "bad.json").string(), "--search-port", "0"});
        EXPECT_EQ(program.wait(kDeadline), 2);
        EXPECT_NE(program.errors().find("is not a loopback address"), std::string::npos);
    }
    {
        Program program({"--scenario"});
        EXPECT_EQ(program.wait(kDeadline), 2);
        EXPECT_NE(program.errors().find("usage:"), std::string::npos);
    }
    {
        Program program({"--help"});
        EXPECT_NE(program.readLine(kDeadline).value_or("").find("usage:"), std::string::npos);
        EXPECT_EQ(program.wait(kDeadline), 0);
    }
}

TEST(Program, MakeFirmwareWritesAFileTheCamerasAccept)
{
    vexlo::test::TempDir dir;
    {
        Program program(
            {"make-firmware", "V5.3.0 build 261115", (dir / "fw.bin").string(), "--size", "5000"});
        EXPECT_EQ(program.wait(kDeadline), 0) << program.errors();
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "fw.bin"), 5000u);
    const auto verdict = vexlo::ipcsim::checkFirmwareFile(dir / "fw.bin");
    EXPECT_TRUE(verdict.accepted);
    EXPECT_EQ(verdict.version, "V5.3.0 build 261115");
    {
        Program program({"make-firmware", "V1", (dir / "tiny.bin").string(), "--size", "10"});
        EXPECT_EQ(program.wait(kDeadline), 1);
        EXPECT_FALSE(std::filesystem::exists(dir / "tiny.bin"));
    }
}
