#include "profile/apply_config.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "profile/apply_config_thread.h"
#include "profile/stop_signal.h"

#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <system_error>

namespace vexlo {

// What the threads share with the controller; each thread keeps it alive, so a
// thread left running after a timed-out stop never touches freed memory.
struct ApplyConfigController::Shared
{
    StopSignal stop;
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t running = 0;
};

ApplyConfigController::ApplyConfigController(BatchState& state)
    : m_state(state), m_shared(std::make_shared<Shared>())
{
}

ApplyConfigController::~ApplyConfigController()
{
    stopAll();
}

std::size_t
ApplyConfigController::startApplyConfig(const std::vector<_DEVICERECORD*>& tickedRecords,
                                        const ConfigProfile& profile, void* owner)
{
    if (m_shared->stop.requested())
        return 0;
    joinIdleThreads();

    // One immutable copy for every thread of this instruction.
    auto snapshot = std::make_shared<const ConfigProfile>(profile);
    std::size_t started = 0;
    for (_DEVICERECORD* record : tickedRecords) {
        if (!record)
            continue;
        record->applyOwner = owner;
        record->applyDone = 0;
        m_state.applyList.add(record);
        if (startThread(*record, snapshot))
            ++started;
    }
    return started;
}

bool ApplyConfigController::startThread(_DEVICERECORD& record,
                                        std::shared_ptr<const ConfigProfile> snapshot)
{
    {
        std::lock_guard lock(m_shared->mutex);
        ++m_shared->running;
    }
    auto body = [shared = m_shared, &state = m_state, device = &record, snapshot] {
        pthread_setname_np(pthread_self(), "ApplyConfig");
        ApplyConfigThread(state, device, snapshot, shared->stop).run();
        {
            std::lock_guard lock(shared->mutex);
            --shared->running;
        }
        shared->changed.notify_all();
    };
    try {
        std::thread thread(std::move(body));
        record.applyThread = static_cast<std::uintptr_t>(thread.native_handle());
        record.applyThreadId = m_nextThreadId++;
        m_threads.push_back(std::move(thread));
        return true;
    } catch (const std::system_error&) {
        // No thread for this device (the system is out of threads): it counts
        // as finished, so the step can still end.
        {
            std::lock_guard lock(m_shared->mutex);
            --m_shared->running;
        }
        record.applyDone = 1;
        return false;
    }
}

bool ApplyConfigController::waitForAll(std::chrono::milliseconds limit)
{
    if (!waitUntilIdle(limit))
        return false;
    joinIdleThreads();
    return true;
}

bool ApplyConfigController::stopAll(std::chrono::milliseconds limit)
{
    m_shared->stop.request();
    const bool ended = waitUntilIdle(limit);
    if (ended) {
        joinIdleThreads();
    } else {
        // Never killed: a thread may hold a lock. It ends by itself at its next
        // sleep, on its own reference to the shared state.
        for (std::thread& thread : m_threads)
            thread.detach();
        m_threads.clear();
    }
    return ended;
}

std::size_t ApplyConfigController::runningCount() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->running;
}

bool ApplyConfigController::waitUntilIdle(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->changed.wait_for(lock, limit, [this] { return m_shared->running == 0; });
}

void ApplyConfigController::joinIdleThreads()
{
    // With none running, every thread is at most returning: joining is quick.
    // While some still work, the ended ones wait for the next idle moment.
    if (runningCount() != 0)
        return;
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
}

bool applyStepFinished(BatchState& state)
{
    CriticalSectionLock lock(state.applyList.lock);
    for (const _DEVICERECORD* record : state.applyList.items) {
        if (record && record->applyDone.load() != 1)
            return false;
    }
    return true;
}

} // namespace vexlo
