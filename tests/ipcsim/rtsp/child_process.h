#pragma once

#include <chrono>
#include <string>
#include <vector>

// Runs a program the way a person would from a shell, for the tests that let
// independent tools (ffprobe, ffmpeg) read the server.
namespace rtsptest {

struct ChildResult
{
    bool started = false;
    bool timedOut = false; // killed at the deadline
    int exitCode = -1;
    std::string output; // standard output
    std::string errors; // standard error
};

// `arguments[0]` is the program's absolute path. Waits for it to end, or
// kills it at `timeout`.
ChildResult runChild(const std::vector<std::string>& arguments, std::chrono::seconds timeout);

} // namespace rtsptest
