#pragma once

#include <chrono>

namespace vexlo::test {

// How long a test waits for something that must happen. It is a safety net
// against a hang, never the thing a test measures: a loaded machine (two busy
// cores, a sanitizer build) may take many times longer than an idle one.
inline constexpr std::chrono::seconds kDeadline{30};

} // namespace vexlo::test
