#pragma once

#include "temp_dir.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::test {

// A program run by a test: started with its own environment additions and
// nothing on its standard input, its standard output read through a pipe, its
// standard error kept in a file.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess(); // ends and reaps a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `arguments[0]` with `arguments`; `environment` entries are added
    // to (or replace those of) this process's environment. Standard error goes
    // to `stderrFile`, or to a file of the child's own when none is named.
    bool start(const std::vector<std::string>& arguments,
               const std::map<std::string, std::string>& environment = {},
               const std::filesystem::path& stderrFile = {});

    // The next line of standard output, without its line break; none at the
    // end of the output or after `limit`.
    std::optional<std::string> readLine(std::chrono::milliseconds limit);
    // Everything until the output ends, or what came within `limit`.
    std::string readAll(std::chrono::milliseconds limit);
    // The exit status once the child has ended within `limit`; none when it
    // still runs then or was ended by a signal.
    std::optional<int> wait(std::chrono::milliseconds limit);
    void signal(int number);
    // Sends SIGTERM and reaps the child.
    void stop();
    // What the child wrote to its standard error so far.
    std::string errors() const;

private:
    bool fill(std::chrono::steady_clock::time_point deadline);

    int m_pid = -1;
    int m_output = -1;
    std::string m_buffer;
    bool m_ended = false;
    TempDir m_folder{"vexlo-child"};
    std::filesystem::path m_errors;
};

} // namespace vexlo::test
