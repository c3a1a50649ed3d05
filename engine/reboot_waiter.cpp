#include "engine/reboot_waiter.h"

#include "engine/batch_state.h"
#include "engine/row_update.h"
#include "engine/upgrade_completion.h"
#include "platform/tick.h"

namespace vexlo {

namespace {

// Returns true when the device has just timed out and must be failed (outside
// the lock: failing takes upgradeListLock).
bool waitFor(BatchState& state, _DEVICERECORD& record, std::uint32_t now)
{
    vexlo::CriticalSectionLock lock(state.rebootWaitList.lock);
    const int rebootState = record.rebootState.load();
    if (rebootState == kRebootAccepted || rebootState == kRebootRefused ||
        rebootState == kRebootGaveUp) {
        state.rebootWaitList.remove(&record);
        return false;
    }
    const std::uint32_t waited = vexlo::tickDiff(now, record.rebootStartTick.load());
    if (waited < kFirmwareCheckMs) {
        postRowUpdate(state, record,
                      secondsText(currentText(state, TextId::CheckingFileWait), waited / 1000));
        return false;
    }
    record.rebootState = kRebootGaveUp;
    postStatus(state, record, TextId::CheckTimeout);
    state.rebootWaitList.remove(&record);
    return true;
}

} // namespace

bool rebootWaitPass(BatchState& state)
{
    std::vector<_DEVICERECORD*> snapshot;
    snapshot = state.rebootWaitList.snapshot();
    const std::uint32_t now = vexlo::GetTickCount();
    for (_DEVICERECORD* record : snapshot) {
        if (record && waitFor(state, *record, now))
            failUpgrade(state, *record);
    }
    return !snapshot.empty();
}

} // namespace vexlo
