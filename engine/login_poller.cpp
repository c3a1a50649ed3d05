#include "engine/login_poller.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

#include <string>

namespace vexlo {

namespace {

void removeTask(BatchState& state, _LOGINTASK& task)
{
    state.loginQueue.remove(&task);
}

// Hands the task to UpgradeControlThread, which frees it; frees it here when the
// controller is gone (shutting down).
void handToController(BatchState& state, _LOGINTASK* task)
{
    vexlo::ThreadMessageQueue* queue = state.upgradeControlQueue.load();
    if (!queue || !queue->post(TM_LOGIN_RESULT, reinterpret_cast<WPARAM>(task)))
        delete task;
}

void attemptLogin(BatchState& state, _LOGINTASK& task, _DEVICERECORD& record)
{
    const std::string ip(vexlo::fieldText(record.ipAddress));
    const std::string user(vexlo::fieldText(record.userName));
    const std::string password(vexlo::fieldText(record.password));
    const int handle = IP_NET_DVR_Login(ip.c_str(), record.port, user.c_str(), password.c_str(), 0);
    if (handle <= 0)
        return; // tried again on the next pass
    {
        // The answer may have come before the handle was stored; the callback
        // kept it, and it is claimed under the same lock the callback uses.
        vexlo::CriticalSectionLock lock(state.loginQueue.lock);
        task.handle = handle;
        const int kept = state.claimLoginResult(handle);
        if (kept != 0 && task.result.load() == kLoginTaskPending)
            task.result = kept;
    }
    IP_NET_DVR_SetAutoReconnect(handle, 1);
}

void pollTask(BatchState& state, _LOGINTASK& task)
{
    _DEVICERECORD& record = *task.record;
    const int purpose = record.loginPurpose.load();
    const bool forUpgrade = purpose == 2 || purpose == 3;
    const int handle = task.handle.load();

    // Once removed, a maintenance task belongs to MaintenanceThread and an
    // upgrade task to the message: neither is touched here again.
    if (handle > 0 && task.result.load() == kLoginTaskConfirmed) {
        removeTask(state, task);
        record.loginHandle = handle;
        record.loginState = kLoginConfirmed;
        if (forUpgrade)
            handToController(state, &task);
        return;
    }

    const std::uint32_t now = vexlo::GetTickCount();
    if (task.startTick == 0)
        task.startTick = now;
    if (vexlo::tickDiff(now, task.startTick) > task.timeoutMs) {
        removeTask(state, task);
        if (handle > 0)
            IP_NET_DVR_Logout(handle);
        record.loginState = kLoginFailed;
        if (forUpgrade)
            handToController(state, &task);
        return;
    }

    if (task.result.load() == kLoginTaskPending && handle <= 0) {
        if (purpose != 3) {
            attemptLogin(state, task, record);
        } else if (vexlo::tickDiff(now, task.startTick) >= kReloginFirstAttemptMs) {
            task.lastAttemptTick = now;
            attemptLogin(state, task, record);
        }
    }

    if (purpose == 3 && task.lastAttemptTick != 0) {
        const std::uint32_t seconds = vexlo::ticksSince(task.lastAttemptTick) / 1000;
        postRowUpdate(state, record,
                      secondsText(currentText(state, TextId::RebootedTryingLogin), seconds));
    }
}

} // namespace

bool loginPollPass(BatchState& state)
{
    std::vector<_LOGINTASK*> snapshot;
    snapshot = state.loginQueue.snapshot();
    state.loginIdle = snapshot.empty() ? 1 : 0;
    for (_LOGINTASK* task : snapshot) {
        if (task && task->record)
            pollTask(state, *task);
    }
    return !snapshot.empty();
}

} // namespace vexlo
