#include "platform/message_queue.h"

#include "platform/tick.h"

namespace vexlo {

bool ThreadMessageQueue::post(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    // Notified under the lock: a poster on another library's thread must be
    // done with the queue before its owner can close it and let it go.
    std::lock_guard lock(m_mutex);
    if (m_closed) {
        return false;
    }
    m_messages.push_back(ThreadMessage{message, wParam, lParam});
    m_ready.notify_one();
    return true;
}

std::optional<ThreadMessage> ThreadMessageQueue::wait()
{
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] { return m_closed || !m_messages.empty(); });
    if (m_closed) {
        return std::nullopt;
    }
    ThreadMessage next = m_messages.front();
    m_messages.pop_front();
    return next;
}

std::optional<ThreadMessage> ThreadMessageQueue::waitFor(std::uint32_t ms)
{
    const auto deadline = std::chrono::steady_clock::now() + scaledDuration(ms);
    std::unique_lock lock(m_mutex);
    if (!m_ready.wait_until(lock, deadline, [this] { return m_closed || !m_messages.empty(); })) {
        return std::nullopt;
    }
    if (m_closed) {
        return std::nullopt;
    }
    ThreadMessage next = m_messages.front();
    m_messages.pop_front();
    return next;
}

void ThreadMessageQueue::close()
{
    std::lock_guard lock(m_mutex);
    m_closed = true;
    // The owner ends without serving what is left.
    m_messages.clear();
    m_ready.notify_all();
}

bool ThreadMessageQueue::closed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

std::size_t ThreadMessageQueue::size() const
{
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}

} // namespace vexlo
