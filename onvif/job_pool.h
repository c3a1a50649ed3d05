#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of worker threads that run the ONVIF library's calls: every
// SOAP exchange blocks its thread, so the work of many cameras runs side by
// side on a bounded number of threads. Jobs may be due at once or later (the
// retries and the restore watch).
namespace vexlo::onvif {

class JobPool
{
public:
    using Job = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    explicit JobPool(int threads);
    ~JobPool(); // shutdown()
    JobPool(const JobPool&) = delete;
    JobPool& operator=(const JobPool&) = delete;

    // False, with the job dropped, once shutdown began.
    bool post(Job job);
    bool postAfter(Clock::duration delay, Job job);

    // Drops the jobs not started yet, waits for the running ones and ends the
    // threads. Called from a job's own thread it would wait for itself: never
    // call it from a job.
    void shutdown();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::uint64_t m_sequence = 0; // keeps jobs due at the same moment in order
    std::map<std::pair<Clock::time_point, std::uint64_t>, Job> m_jobs;
    std::vector<std::thread> m_threads;
};

} // namespace vexlo::onvif
