#pragma once

// The site fixture of the vexlo-cli tests: vexlo-ipcsim with the cameras a
// test names, and vexlo-cli runs against it, both at a high time scale.
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace cli_test {

using vexlo::test::ChildProcess;

// At this scale the device library's login deadline is half a second of real
// time, which a loaded machine under a sanitizer needs.
constexpr const char* kTimeScale = "20";
constexpr auto kRunLimit = 120s;

inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator && separator == '\t')
        parts.emplace_back();
    return parts;
}

struct CliRun
{
    int status = -1;
    std::vector<std::string> lines;
    std::string errors;

    bool has(const std::string& line) const
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> starting(const std::string& kind) const
    {
        std::vector<std::string> found;
        for (const std::string& line : lines) {
            if (line.rfind(kind + "\t", 0) == 0 || line == kind)
                found.push_back(line);
        }
        return found;
    }
    // The device line of `serial`, split into its seven fields after "device".
    std::vector<std::string> device(const std::string& serial) const
    {
        for (const std::string& line : starting("device")) {
            auto fields = split(line, '\t');
            fields.resize(8);
            if (fields[3] == serial)
                return std::vector<std::string>(fields.begin() + 1, fields.end());
        }
        return {};
    }
    std::string status6(const std::string& serial) const
    {
        const auto fields = device(serial);
        return fields.size() == 7 ? fields[6] : "<not listed>";
    }
};

inline std::string dump(const CliRun& run)
{
    std::string text = "exit " + std::to_string(run.status) + "\n";
    for (const std::string& line : run.lines) {
        if (line.rfind("row\t", 0) != 0)
            text += line + "\n";
    }
    return text + run.errors;
}

class CliEndToEnd : public ::testing::Test
{
protected:
    void TearDown() override { m_site.stop(); }

    // Starts vexlo-ipcsim with these cameras (JSON objects without address),
    // numbered 127.A.233.1, .2, ... with A chosen from the process id.
    void startSite(const std::vector<std::string>& cameras)
    {
        for (int attempt = 0; attempt < 6; ++attempt) {
            m_subnet = 60 + static_cast<int>((::getpid() + attempt * 13) % 40);
            std::ofstream scenario(m_directory / "site.json");
            scenario << "{\"cameras\": [";
            for (std::size_t i = 0; i < cameras.size(); ++i) {
                scenario << (i ? "," : "") << "{\"address\": \"" << address(static_cast<int>(i) + 1)
                         << "\", \"rebootSeconds\": 3, \"formatSeconds\": 2, "
                            "\"firmwareCheckSeconds\": 3, "
                         << cameras[i] << "}";
            }
            scenario << "]}";
            scenario.close();
            m_site.stop();
            ASSERT_TRUE(
                m_site.start({VEXLO_IPCSIM_PATH, "--scenario", (m_directory / "site.json").string(),
                              "--search-port", "0", "--discovery-port", "0", "--log",
                              (m_directory / "requests.jsonl").string()},
                             {{"VEXLO_TIME_SCALE", kTimeScale}}));
            const auto ready = m_site.readLine(20s);
            if (ready && ready->rfind("ready ", 0) == 0) {
                const auto ports = split(ready->substr(6), ' ');
                m_port = ports.at(0);
                m_discoveryPort = ports.size() > 1 ? ports[1] : "0";
                return;
            }
        }
        FAIL() << "vexlo-ipcsim did not start: " << m_site.errors();
    }

    // The lines of the simulator's request log that name `serial` and `kind`.
    std::vector<std::string> logged(const std::string& serial, const std::string& kind) const
    {
        std::vector<std::string> found;
        std::ifstream log(m_directory / "requests.jsonl");
        for (std::string line; std::getline(log, line);) {
            if (line.find("\"serial\":\"" + serial + "\"") != std::string::npos &&
                line.find("\"kind\":\"" + kind + "\"") != std::string::npos)
                found.push_back(line);
        }
        return found;
    }

    std::string address(int host) const
    {
        return "127." + std::to_string(m_subnet) + ".233." + std::to_string(host);
    }

    std::string firmware(const std::string& version)
    {
        const fs::path file = m_directory / (version + ".bin");
        ChildProcess maker;
        EXPECT_TRUE(maker.start(
            {VEXLO_IPCSIM_PATH, "make-firmware", version, file.string(), "--size", "65536"}));
        maker.readAll(20s);
        EXPECT_EQ(maker.wait(20s), 0);
        return file.string();
    }

    CliRun cli(std::vector<std::string> arguments)
    {
        // A site without ONVIF cameras opens no discovery port: its runs drive
        // the home protocol only, so no other test's ONVIF site can answer.
        // A test's own --protocol comes later and wins.
        if (m_discoveryPort == "0")
            arguments.insert(arguments.begin(), {"--protocol", "vexlo"});
        else
            arguments.insert(arguments.begin(), {"--discovery-port", m_discoveryPort});
        arguments.insert(arguments.begin(), {"--search-port", m_port});
        if (m_giveConfigFolder)
            arguments.insert(arguments.begin(), {"--config", m_directory.string()});
        arguments.insert(arguments.begin(), m_launcher.begin(), m_launcher.end());
        std::map<std::string, std::string> environment = m_environment;
        environment["VEXLO_TIME_SCALE"] = kTimeScale;
        environment["VEXLO_HOST_ADDRESS"] = address(100);
        ChildProcess program;
        CliRun run;
        const bool started = program.start(arguments, environment);
        EXPECT_TRUE(started);
        if (!started)
            return run;
        run.lines = split(program.readAll(kRunLimit), '\n');
        run.status = program.wait(5s).value_or(-1);
        run.errors = program.errors();
        return run;
    }

    // How cli() starts the program: the built vexlo-cli with --config naming
    // the test's folder, unless a test changes these.
    std::vector<std::string> m_launcher{VEXLO_CLI_PATH};
    bool m_giveConfigFolder = true;
    std::map<std::string, std::string> m_environment;

    vexlo::test::TempDir m_folder{"vexlo-cli"};
    const fs::path m_directory = m_folder.path();
    ChildProcess m_site;
    std::string m_port;
    std::string m_discoveryPort;
    int m_subnet = 0;
};

} // namespace cli_test
