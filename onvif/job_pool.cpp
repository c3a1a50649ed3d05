#include "onvif/job_pool.h"

#include <algorithm>

namespace vexlo::onvif {

JobPool::JobPool(int threads)
{
    const int count = std::clamp(threads, 1, 256);
    m_threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back([this] { run(); });
}

JobPool::~JobPool()
{
    shutdown();
}

bool JobPool::post(Job job)
{
    return postAfter(Clock::duration::zero(), std::move(job));
}

bool JobPool::postAfter(Clock::duration delay, Job job)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return false;
        m_jobs.emplace(std::make_pair(Clock::now() + delay, ++m_sequence), std::move(job));
    }
    m_wake.notify_one();
    return true;
}

void JobPool::shutdown()
{
    std::map<std::pair<Clock::time_point, std::uint64_t>, Job> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        dropped.swap(m_jobs);
    }
    m_wake.notify_all();
    for (auto& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
    m_threads.clear();
    // The dropped jobs are destroyed here, outside the lock: what they hold
    // may take locks of its own when it goes.
}

void JobPool::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_jobs.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const auto due = m_jobs.begin()->first.first;
        if (Clock::now() < due) {
            m_wake.wait_until(lock, due);
            continue;
        }
        Job job = std::move(m_jobs.begin()->second);
        m_jobs.erase(m_jobs.begin());
        lock.unlock();
        job();
        job = nullptr; // released before the lock is taken again
        lock.lock();
    }
}

} // namespace vexlo::onvif
