#include "engine/batch_workers.h"

#include "engine/batch_state.h"
#include "engine/login_poller.h"
#include "engine/maintenance.h"
#include "engine/progress_poller.h"
#include "engine/reboot_waiter.h"
#include "engine/upgrade_controller.h"
#include "engine/version_poller.h"

namespace vexlo {

namespace {

StopAwareSleep sleeperOf(vexlo::WorkerThread& self)
{
    return [&self](std::uint32_t ms) { return self.sleep(ms); };
}

template <typename Task> void freeAll(std::vector<Task*>& queue, vexlo::CriticalSection& lock)
{
    vexlo::CriticalSectionLock guard(lock);
    for (Task* task : queue)
        delete task;
    queue.clear();
}

} // namespace

BatchWorkers::BatchWorkers(BatchState& state, FirmwarePathSource firmwarePath)
    : m_state(state), m_firmwarePath(std::move(firmwarePath)), m_restoreVerification(state)
{
}

BatchWorkers::~BatchWorkers()
{
    stop();
}

void BatchWorkers::start()
{
    if (m_started)
        return;
    m_started = true;
    const char* names[WorkerCount] = {
        "MaintenanceThread", "UpgradeControlThread", "LoginPollThread", "VersionPollThread",
        "UploadThread",      "ProgressPollThread",   "RebootWaitThread"};
    for (int i = 0; i < WorkerCount; ++i)
        m_workers[i] = std::make_unique<vexlo::WorkerThread>(names[i]);

    // Set before anything can run, so no callback finds the controller missing.
    m_state.upgradeControlQueue = &m_workers[UpgradeControl]->queue();

    BatchState& state = m_state;
    m_workers[Maintenance]->start([this, &state](vexlo::WorkerThread& self) {
        MaintenanceOperations operations(state, sleeperOf(self), m_restoreVerification,
                                         m_formatTimeoutMs);
        while (auto message = self.queue().wait())
            operations.handle(*message);
    });
    m_workers[UpgradeControl]->start([&state](vexlo::WorkerThread& self) {
        UpgradeController controller(state, sleeperOf(self));
        while (auto message = self.queue().wait())
            controller.handle(*message);
    });
    m_workers[LoginPoll]->start([&state](vexlo::WorkerThread& self) {
        runPollingLoop(self, [&state] { return loginPollPass(state); });
    });
    m_workers[VersionPoll]->start([&state](vexlo::WorkerThread& self) {
        runPollingLoop(self, [&state] { return versionPollPass(state); });
    });
    m_workers[Upload]->start([this, &state](vexlo::WorkerThread& self) {
        runPollingLoop(self, [this, &state] { return uploadPollPass(state, m_firmwarePath); });
    });
    m_workers[ProgressPoll]->start([&state](vexlo::WorkerThread& self) {
        runPollingLoop(self, [&state] { return progressPollPass(state); });
    });
    m_workers[RebootWait]->start([&state](vexlo::WorkerThread& self) {
        runPollingLoop(self, [&state] { return rebootWaitPass(state); });
    });
}

bool BatchWorkers::stop(std::chrono::milliseconds limitPerWorker)
{
    if (!m_started)
        return true;
    m_started = false;
    // Callbacks that come from now on find no controller and drop their event.
    m_state.upgradeControlQueue = nullptr;
    bool allEnded = true;
    for (Worker worker :
         {UpgradeControl, LoginPoll, VersionPoll, Upload, ProgressPoll, Maintenance, RebootWait})
        allEnded = m_workers[worker]->stop(limitPerWorker) && allEnded;
    // A worker that did not end may still use a task; then the tasks are left.
    if (allEnded)
        freeQueuedTasks();
    m_restoreVerification.stop();
    return allEnded;
}

void BatchWorkers::freeQueuedTasks()
{
    freeAll(m_state.loginQueue.items, m_state.loginQueue.lock);
    freeAll(m_state.versionQueue.items, m_state.versionQueue.lock);
    freeAll(m_state.uploadQueue.items, m_state.uploadQueue.lock);
    freeAll(m_state.progressQueue.items, m_state.progressQueue.lock);
}

bool BatchWorkers::postToMaintenance(std::uint32_t message, WPARAM wParam)
{
    return m_workers[Maintenance] && m_workers[Maintenance]->queue().post(message, wParam, 0);
}

bool BatchWorkers::postToUpgradeControl(std::uint32_t message, WPARAM wParam)
{
    return m_workers[UpgradeControl] && m_workers[UpgradeControl]->queue().post(message, wParam, 0);
}

void BatchWorkers::setFormatTimeoutMs(std::uint32_t ms)
{
    m_formatTimeoutMs = ms;
}

void BatchWorkers::onRestoreTimer()
{
    m_restoreVerification.onTimer();
}

} // namespace vexlo
