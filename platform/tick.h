#pragma once

#include <chrono>
#include <cstdint>

// The 32-bit millisecond tick counter and scaled time.
//
// VEXLO_TIME_SCALE=N (default 1, any positive number) makes the tick counter run
// N times faster and every sleep, timer and timed wait N times shorter, so tests
// run the real timing code without waiting minutes. Nothing else changes.
namespace vexlo {

// Milliseconds of scaled time since an arbitrary start; wraps after 2^32.
std::uint32_t GetTickCount();

// Milliseconds from `start` to `now`, correct across one wrap of the counter.
inline constexpr std::uint32_t tickDiff(std::uint32_t now, std::uint32_t start)
{
    return now - start;
}

// Milliseconds since `start` on the tick counter.
inline std::uint32_t ticksSince(std::uint32_t start)
{
    return tickDiff(GetTickCount(), start);
}

// Sleeps `ms` milliseconds of scaled time.
void Sleep(std::uint32_t ms);

// The factor read from VEXLO_TIME_SCALE once (1 when unset or not a positive number).
double timeScale();

// The factor a VEXLO_TIME_SCALE text stands for: a positive decimal number
// ("50", "0.5"); anything else (empty, negative, zero, not a number) gives 1.
double parseTimeScale(const char* text);

// Real time that `ms` milliseconds of scaled time take.
std::chrono::nanoseconds scaledDuration(std::uint32_t ms);

// Tests only: sets the scale and moves the counter so that it reads `tick` now.
void setTimeScaleForTesting(double scale);
void setTickForTesting(std::uint32_t tick);

} // namespace vexlo
