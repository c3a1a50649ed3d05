#include "platform/event.h"

#include "platform/tick.h"

#include <map>

namespace vexlo {

void AutoResetEvent::set()
{
    {
        std::lock_guard lock(m_mutex);
        m_set = true;
    }
    m_signalled.notify_one();
}

bool AutoResetEvent::wait(std::uint32_t ms)
{
    const auto deadline = std::chrono::steady_clock::now() + scaledDuration(ms);
    std::unique_lock lock(m_mutex);
    if (!m_signalled.wait_until(lock, deadline, [this] { return m_set; })) {
        return false;
    }
    // The one waiter released takes the signal with it.
    m_set = false;
    return true;
}

void AutoResetEvent::reset()
{
    std::lock_guard lock(m_mutex);
    m_set = false;
}

std::shared_ptr<AutoResetEvent> openNamedEvent(const std::string& name)
{
    // Named events live as long as the process, so every opener of a name gets
    // the same event, whenever it opens it. Never destroyed: a thread left
    // running at exit may still open one.
    static auto* registryMutex = new std::mutex;
    static auto* registry = new std::map<std::string, std::shared_ptr<AutoResetEvent>>;

    std::lock_guard lock(*registryMutex);
    auto& event = (*registry)[name];
    if (!event) {
        event = std::make_shared<AutoResetEvent>();
    }
    return event;
}

} // namespace vexlo
