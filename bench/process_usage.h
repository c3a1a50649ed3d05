#pragma once

#include <chrono>

// What a scenario run reports of its own process.
namespace vexlo::bench {

// CPU time of the whole process so far, user and system, in seconds.
double cpuSeconds();
// The largest resident set the process has had, in KiB.
long peakResidentKiB();
// Seconds of the steady clock since `start`.
double secondsSince(std::chrono::steady_clock::time_point start);

} // namespace vexlo::bench
