#pragma once

#include "engine/restore_verification.h"
#include "engine/upload_poller.h"
#include "platform/win_types.h"
#include "platform/worker_thread.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace vexlo {

struct BatchState;

// The seven workers of the batch engine and their lifetime. start() starts
// them in the order MaintenanceThread, UpgradeControlThread, LoginPollThread,
// VersionPollThread, UploadThread, ProgressPollThread, RebootWaitThread; stop()
// stops them cooperatively, each with a bounded wait, in the order
// UpgradeControlThread, LoginPollThread, VersionPollThread, UploadThread,
// ProgressPollThread, MaintenanceThread, RebootWaitThread. While the
// controller runs, BatchState::upgradeControlQueue points at its queue.
class BatchWorkers
{
public:
    BatchWorkers(BatchState& state, FirmwarePathSource firmwarePath);
    ~BatchWorkers();

    BatchWorkers(const BatchWorkers&) = delete;
    BatchWorkers& operator=(const BatchWorkers&) = delete;

    void start();
    // Returns true when every worker ended within `limitPerWorker`.
    bool stop(std::chrono::milliseconds limitPerWorker = std::chrono::milliseconds(2000));

    // TM_REBOOT, TM_RESTORE, TM_TIMESYNC or TM_FORMAT (wParam 1 SD1, 2 SD2, 3 USB).
    bool postToMaintenance(std::uint32_t message, WPARAM wParam = 0);
    // TM_UPGRADE_START (wParam the record) and the pipeline's own messages.
    bool postToUpgradeControl(std::uint32_t message, WPARAM wParam = 0);

    // The minutes of the format timeout combo box × 60000; 5 minutes at first.
    void setFormatTimeoutMs(std::uint32_t ms);

    // What the main window's onTimer(1008) calls, on the user-interface thread.
    void onRestoreTimer();

private:
    enum Worker
    {
        Maintenance,
        UpgradeControl,
        LoginPoll,
        VersionPoll,
        Upload,
        ProgressPoll,
        RebootWait,
        WorkerCount
    };

    // Frees the tasks still queued once no worker runs any more.
    void freeQueuedTasks();

    BatchState& m_state;
    FirmwarePathSource m_firmwarePath;
    std::atomic<std::uint32_t> m_formatTimeoutMs{5 * 60000};
    RestoreVerification m_restoreVerification;
    std::array<std::unique_ptr<vexlo::WorkerThread>, WorkerCount> m_workers;
    bool m_started = false;
};

} // namespace vexlo
