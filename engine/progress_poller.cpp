#include "engine/progress_poller.h"

#include "engine/batch_state.h"
#include "engine/row_update.h"
#include "engine/upgrade_completion.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

int readProgress(int handle)
{
    const int state = IP_NET_DVR_GetUpgradeState(handle);
    return state != 0 ? state : IP_NET_DVR_GetUpgradeProgress(handle);
}

void pollTask(BatchState& state, _PROGRESSTASK* task)
{
    _DEVICERECORD& record = *task->record;
    {
        vexlo::CriticalSectionLock lock(state.progressQueue.lock);
        if (task->finished.load() != kUploadRunning) {
            state.progressQueue.remove(task);
            delete task;
            return;
        }
    }

    const int value = readProgress(record.loginHandle.load());
    if (value > 0 && value > task->bestPercent) {
        task->bestPercent = value;
        task->lastChangeTick = vexlo::GetTickCount();
        // Under the lock, so that the text of a finished upload, written by the
        // controller after it marks the watch, is never overwritten by this one.
        vexlo::CriticalSectionLock lock(state.progressQueue.lock);
        if (task->finished.load() == kUploadRunning)
            postRowUpdate(state, record,
                          percentText(currentText(state, TextId::UploadingFile), value));
        return;
    }
    if (vexlo::ticksSince(task->lastChangeTick) < kUploadStallMs)
        return;
    {
        vexlo::CriticalSectionLock lock(state.progressQueue.lock);
        if (task->finished.load() != kUploadRunning)
            return; // an upload event came first; the next pass frees it
        state.progressQueue.remove(task);
    }
    task->result = kProgressStalled;
    postStatus(state, record, TextId::UploadStalled);
    failUpgrade(state, record);
    delete task;
}

} // namespace

bool progressPollPass(BatchState& state)
{
    std::vector<_PROGRESSTASK*> snapshot;
    snapshot = state.progressQueue.snapshot();
    for (_PROGRESSTASK* task : snapshot) {
        if (task && task->record)
            pollTask(state, task);
    }
    return !snapshot.empty();
}

} // namespace vexlo
