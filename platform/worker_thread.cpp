#include "platform/worker_thread.h"

#include "platform/tick.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <pthread.h>

namespace vexlo {

// Everything the thread touches lives here, owned jointly by the WorkerThread
// and the thread, so a thread left running after a timed-out stop never
// touches freed memory.
struct WorkerThread::Shared
{
    ThreadMessageQueue queue;
    std::atomic<bool> stopRequested{false};
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool finished = false;
};

WorkerThread::WorkerThread(std::string name)
    : m_shared(std::make_shared<Shared>()), m_name(std::move(name))
{
}

WorkerThread::WorkerThread(std::shared_ptr<Shared> shared, std::string name)
    : m_shared(std::move(shared)), m_name(std::move(name)), m_owner(false)
{
}

WorkerThread::~WorkerThread()
{
    if (m_owner) {
        // A thread already given up on by a timed-out stop() is not waited for again.
        stop(m_thread.joinable() ? std::chrono::milliseconds(5000) : std::chrono::milliseconds(0));
    }
}

void WorkerThread::start(Body body)
{
    if (!m_owner || m_thread.joinable() || m_shared->stopRequested) {
        return;
    }
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->started) {
            return;
        }
        m_shared->started = true;
    }
    m_thread = std::thread([shared = m_shared, name = m_name, body = std::move(body)]() mutable {
        // The kernel keeps at most 15 characters of a thread's name.
        pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
        {
            WorkerThread self(shared, std::move(name));
            if (body) {
                body(self);
            }
            body = nullptr;
        }
        {
            std::lock_guard lock(shared->mutex);
            shared->finished = true;
        }
        shared->changed.notify_all();
    });
}

const std::string& WorkerThread::name() const
{
    return m_name;
}

ThreadMessageQueue& WorkerThread::queue()
{
    return m_shared->queue;
}

bool WorkerThread::stopRequested() const
{
    return m_shared->stopRequested;
}

bool WorkerThread::sleep(std::uint32_t ms)
{
    const auto deadline = std::chrono::steady_clock::now() + scaledDuration(ms);
    std::unique_lock lock(m_shared->mutex);
    m_shared->changed.wait_until(lock, deadline, [this] { return m_shared->stopRequested.load(); });
    return !m_shared->stopRequested;
}

bool WorkerThread::stop(std::chrono::milliseconds limit)
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopRequested = true;
    }
    m_shared->changed.notify_all();
    m_shared->queue.close();

    if (!m_owner || (m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id())) {
        return false; // a thread cannot wait for itself to end
    }

    bool finished = false;
    {
        std::unique_lock lock(m_shared->mutex);
        if (!m_shared->started) {
            return true;
        }
        finished = m_shared->changed.wait_for(lock, limit, [this] { return m_shared->finished; });
    }
    if (m_thread.joinable()) {
        if (finished) {
            m_thread.join();
        } else {
            // Never killed: it may hold a lock. It ends by itself, on its own
            // reference to the shared state.
            m_thread.detach();
        }
    }
    return finished;
}

} // namespace vexlo
