#pragma once

#include <chrono>
#include <functional>

namespace vexlo::test {

// How long a test waits for something that must happen. It is a safety net
// against a hang, never the thing a test measures: a loaded machine (two busy
// cores, a sanitizer build) may take many times longer than an idle one.
inline constexpr std::chrono::seconds kDeadline{30};

// Checks `condition` every few milliseconds until it holds or `timeout` of real
// time has passed, and says whether it held. `betweenChecks`, when given, runs
// before each pause: the step that moves a thread's own events on (a Qt event
// loop, a port's messages) when the waiting thread is the one that serves them.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = kDeadline,
               const std::function<void()>& betweenChecks = {});

} // namespace vexlo::test
