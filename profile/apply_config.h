#pragma once

#include "profile/config_profile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

// The other-settings instruction: pushes the enabled sections of the profile to
// every ticked device, each on a thread of its own, so all devices are
// configured at the same time. The rows show every step; each thread posts
// WM_APPLY_DONE when its device is done.
//
// The threads work on one copy of the profile taken when the instruction
// starts, so editing the settings pages meanwhile never sends a device a
// half-edited section. They use the BatchState and its UI port, which must
// outlive them: the owner stops them (stopAll) before either goes away.
namespace vexlo {
struct BatchState;
struct _DEVICERECORD;

class StopSignal;

class ApplyConfigController
{
public:
    explicit ApplyConfigController(BatchState& state);
    ~ApplyConfigController(); // stops the threads, waiting a bounded time

    ApplyConfigController(const ApplyConfigController&) = delete;
    ApplyConfigController& operator=(const ApplyConfigController&) = delete;

    // User-interface thread. For every record of `tickedRecords` (the ticked
    // rows in row order; null entries are skipped): sets applyOwner to `owner`
    // and applyDone to 0, appends the record to applyList and starts its
    // thread. Returns the number of threads started; with none the step is
    // over at once. Starts nothing once stopAll has been called.
    std::size_t startApplyConfig(const std::vector<_DEVICERECORD*>& tickedRecords,
                                 const ConfigProfile& profile, void* owner);

    // Waits up to `limit` (real time) for every thread to end by itself.
    bool waitForAll(std::chrono::milliseconds limit);
    // Asks every thread to stop at its next sleep and waits up to `limit` (real
    // time). Returns true when all have ended; a thread still running then is
    // left to end by itself.
    bool stopAll(std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

    std::size_t runningCount() const;

private:
    struct Shared;

    bool startThread(_DEVICERECORD& record, std::shared_ptr<const ConfigProfile> snapshot);
    bool waitUntilIdle(std::chrono::milliseconds limit);
    void joinIdleThreads();

    BatchState& m_state;
    std::shared_ptr<Shared> m_shared;
    std::vector<std::thread> m_threads;
    std::uint32_t m_nextThreadId = 1;
};

// The end-of-step check on WM_APPLY_DONE: every record of applyList has
// applyDone 1 (true for an empty list).
bool applyStepFinished(BatchState& state);

} // namespace vexlo
