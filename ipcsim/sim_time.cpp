#include "ipcsim/sim_time.h"

#include "platform/tick.h"

#include <cmath>
#include <cstdint>

namespace vexlo::ipcsim {

std::chrono::nanoseconds scaledSeconds(double seconds)
{
    constexpr double kMaxSeconds = 86400.0;
    if (!std::isfinite(seconds) || seconds <= 0.0) {
        return std::chrono::nanoseconds(0);
    }
    const double clamped = std::min(seconds, kMaxSeconds);
    return scaledDuration(static_cast<std::uint32_t>(std::llround(clamped * 1000.0)));
}

} // namespace vexlo::ipcsim
