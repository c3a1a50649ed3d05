#pragma once

#include "platform/win_types.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

// A thread's message queue: any thread posts, the owning thread takes the
// messages in order. Closing the queue wakes a waiting owner, which then sees no
// message and ends (the cooperative stop of a worker).
namespace vexlo {

struct ThreadMessage
{
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class ThreadMessageQueue
{
public:
    // Returns false when the queue is closed; the message is not queued then.
    bool post(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Waits for the next message; nothing once the queue is closed.
    std::optional<ThreadMessage> wait();

    // Waits at most `ms` milliseconds of scaled time.
    std::optional<ThreadMessage> waitFor(std::uint32_t ms);

    // Wakes every waiter; later posts are refused and waits return nothing.
    void close();
    bool closed() const;

    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<ThreadMessage> m_messages;
    bool m_closed = false;
};

} // namespace vexlo
