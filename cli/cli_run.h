#pragma once

#include <cstdio>

// One run of vexlo-cli: search, the chosen instructions, the device lines.
namespace vexlo::cli {

struct CliOptions;

inline constexpr int kExitAllWell = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitBadOptions = 2;

// Runs the main window's logic and its execution driver without windows, the
// calling thread being the user-interface thread, on the device library that
// is installed. Prints the event lines to `out` and problems to `err`.
// Returns the exit status.
int runCli(const CliOptions& options, std::FILE* out, std::FILE* err);

} // namespace vexlo::cli
