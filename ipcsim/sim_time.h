#pragma once

#include <chrono>

namespace vexlo::ipcsim {

// Real time that `seconds` of scenario time take under VEXLO_TIME_SCALE. Negative
// or non-finite values count as 0; values beyond a day are cut to a day, the
// longest time a scenario may name.
std::chrono::nanoseconds scaledSeconds(double seconds);

} // namespace vexlo::ipcsim
