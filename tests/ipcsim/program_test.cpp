#include "sim_client.h"
#include "temp_dir.h"

#include "ipcsim/firmware.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace simtest;

namespace {

// The program run as a child, its standard output and error read through pipes.
class Program
{
public:
    explicit Program(const std::vector<std::string>& arguments)
    {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0) {
            throw std::runtime_error("pipe failed");
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            close(out[0]);
            close(err[0]);
            std::vector<char*> argv;
            std::string program = VEXLO_IPCSIM_PROGRAM;
            argv.push_back(program.data());
            std::vector<std::string> copies = arguments;
            for (auto& argument : copies) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            setenv("VEXLO_TIME_SCALE", "50", 1);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~Program()
    {
        if (m_pid > 0 && !m_exited) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
        close(m_err);
    }

    // The first line on standard output within `timeout`.
    std::optional<std::string> readLine(Millis timeout)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd fd{m_out, POLLIN, 0};
            if (poll(&fd, 1, 20) <= 0) {
                continue;
            }
            char c = 0;
            if (read(m_out, &c, 1) != 1) {
                return std::nullopt;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return std::nullopt;
    }

    std::string errors()
    {
        std::string text;
        char buffer[512];
        ssize_t n = 0;
        while ((n = read(m_err, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

    void signal(int number) { kill(m_pid, number); }

    // The exit status, or -1 when it has not ended within `timeout`.
    int wait(Millis timeout)
    {
        int status = 0;
        const bool ended =
            eventually([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeout);
        if (!ended) {
            return -1;
        }
        m_exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_exited = false;
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
    TempDir dir;
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
    TempDir dir;
    std::ofstream(dir / "site.json") << scenarioText(1);
    Program program({"--scenario", (dir / "site.json").string(), "--search-port", "0"});
    ASSERT_TRUE(program.readLine(kDeadline)) << program.errors();
    program.signal(SIGINT);
    EXPECT_EQ(program.wait(kDeadline), 0);
}

TEST(Program, BadOptionsAndBadScenariosExitWithTwo)
{
    TempDir dir;
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
    TempDir dir;
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
