#include "engine/version_poller.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

constexpr const char* kVersionRequest = "RESPONSE_PARAM";

void handToController(BatchState& state, _VERSIONTASK* task)
{
    vexlo::ThreadMessageQueue* queue = state.upgradeControlQueue.load();
    if (!queue || !queue->post(TM_VERSION_RESULT, reinterpret_cast<WPARAM>(task)))
        delete task;
}

void pollTask(BatchState& state, _VERSIONTASK* task)
{
    bool timedOut = false;
    int handle = 0;
    {
        vexlo::CriticalSectionLock lock(state.versionQueue.lock);
        if (!state.versionQueue.contains(task))
            return; // answered: the message owns it now
        const std::uint32_t now = vexlo::GetTickCount();
        if (task->startTick == 0)
            task->startTick = now;
        if (vexlo::tickDiff(now, task->startTick) > task->timeoutMs) {
            state.versionQueue.remove(task);
            timedOut = true;
        } else if (task->state.load() == kVersionNotSent) {
            handle = task->record->loginHandle.load();
        } else {
            return; // sent; waiting for the answer
        }
    }
    if (timedOut) {
        // Its state is not 2, so the controller takes the failure path.
        handToController(state, task);
        return;
    }
    if (IP_NET_DVR_SystemControl(handle, CMD_VERSION, 0, kVersionRequest) != 0)
        return; // sent again on the next pass
    vexlo::CriticalSectionLock lock(state.versionQueue.lock);
    if (state.versionQueue.contains(task) && task->state.load() == kVersionNotSent)
        task->state = kVersionSent;
}

} // namespace

bool versionPollPass(BatchState& state)
{
    std::vector<_VERSIONTASK*> snapshot;
    snapshot = state.versionQueue.snapshot();
    for (_VERSIONTASK* task : snapshot) {
        if (task)
            pollTask(state, task);
    }
    return !snapshot.empty();
}

} // namespace vexlo
