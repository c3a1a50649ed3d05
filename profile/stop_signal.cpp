#include "profile/stop_signal.h"

#include "platform/tick.h"

#include <chrono>

namespace vexlo {

void StopSignal::request()
{
    {
        std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_raised.notify_all();
}

bool StopSignal::requested() const
{
    std::lock_guard lock(m_mutex);
    return m_requested;
}

bool StopSignal::sleep(std::uint32_t ms)
{
    const auto deadline = std::chrono::steady_clock::now() + scaledDuration(ms);
    std::unique_lock lock(m_mutex);
    m_raised.wait_until(lock, deadline, [this] { return m_requested; });
    return !m_requested;
}

} // namespace vexlo
