#include "platform/tick.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace vexlo {
namespace {

using Clock = std::chrono::steady_clock;

// Longest real time one scaled duration may take: keeps the conversion to
// nanoseconds far from overflow, whatever the scale.
constexpr double kMaxDurationNs = 1e18;

} // namespace

double parseTimeScale(const char* text)
{
    if (text == nullptr || *text == '\0') {
        return 1.0;
    }
    const char* end = text + std::strlen(text);
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text, end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(value) || value <= 0.0) {
        return 1.0;
    }
    return value;
}

namespace {

// The counter reads `m_base` at `m_origin` and runs `m_scale` times faster than
// the steady clock from there. A change of scale re-bases it, so the counter
// never jumps.
class TickState
{
public:
    TickState() : m_scale(parseTimeScale(std::getenv("VEXLO_TIME_SCALE"))) {}

    std::uint32_t now() const
    {
        std::lock_guard lock(m_mutex);
        return tickAt(Clock::now());
    }

    double scale() const
    {
        std::lock_guard lock(m_mutex);
        return m_scale;
    }

    void setScale(double scale)
    {
        std::lock_guard lock(m_mutex);
        const auto at = Clock::now();
        m_base = tickAt(at);
        m_origin = at;
        m_scale = scale;
    }

    void setTick(std::uint32_t tick)
    {
        std::lock_guard lock(m_mutex);
        m_base = tick;
        m_origin = Clock::now();
    }

private:
    std::uint32_t tickAt(Clock::time_point at) const
    {
        const double elapsedNs = std::chrono::duration<double, std::nano>(at - m_origin).count();
        const double scaledMs = std::floor(elapsedNs * m_scale / 1e6);
        const double wrapped = std::fmod(scaledMs, 4294967296.0);
        return m_base + static_cast<std::uint32_t>(wrapped);
    }

    mutable std::mutex m_mutex;
    double m_scale;
    // Like the system's counter, it starts at the steady clock's origin (boot).
    Clock::time_point m_origin{};
    std::uint32_t m_base = 0;
};

TickState& tickState()
{
    // Never destroyed: a thread left running at exit may still read the clock.
    static auto* state = new TickState;
    return *state;
}

} // namespace

std::uint32_t GetTickCount()
{
    return tickState().now();
}

void Sleep(std::uint32_t ms)
{
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(scaledDuration(ms));
}

double timeScale()
{
    return tickState().scale();
}

std::chrono::nanoseconds scaledDuration(std::uint32_t ms)
{
    const double ns = std::min(static_cast<double>(ms) * 1e6 / timeScale(), kMaxDurationNs);
    return std::chrono::nanoseconds(static_cast<std::int64_t>(std::llround(ns)));
}

void setTimeScaleForTesting(double scale)
{
    tickState().setScale(std::isfinite(scale) && scale > 0.0 ? scale : 1.0);
}

void setTickForTesting(std::uint32_t tick)
{
    tickState().setTick(tick);
}

} // namespace vexlo
