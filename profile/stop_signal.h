#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

// A stop request shared by a group of threads, with sleeps in scaled time that
// end early when it is raised. Threads that only block in sleeps can so be
// stopped cooperatively and promptly.
namespace vexlo {

class StopSignal
{
public:
    void request();
    bool requested() const;

    // Sleeps `ms` milliseconds of scaled time; returns false (at once, or as
    // soon as it is raised) when a stop is requested.
    bool sleep(std::uint32_t ms);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_raised;
    bool m_requested = false;
};

} // namespace vexlo
