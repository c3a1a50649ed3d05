#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

// A named auto-reset event: set() releases one waiter (or the next wait, when
// nobody waits) and resets itself.
namespace vexlo {

class AutoResetEvent
{
public:
    void set();
    // Waits at most `ms` milliseconds of scaled time; true when signalled.
    bool wait(std::uint32_t ms);
    void reset();

private:
    std::mutex m_mutex;
    std::condition_variable m_signalled;
    bool m_set = false;
};

// The process-wide event of that name, created non-signalled on first use.
std::shared_ptr<AutoResetEvent> openNamedEvent(const std::string& name);

} // namespace vexlo
