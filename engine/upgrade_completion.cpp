#include "engine/upgrade_completion.h"

#include "engine/batch_state.h"
#include "engine/messages.h"

namespace vexlo {

bool upgradeComplete(BatchState& state)
{
    vexlo::CriticalSectionLock lock(state.upgradeList.lock);
    for (_DEVICERECORD* record : state.upgradeList.items) {
        if (record && record->upgradeResult.load() == kUpgradeRunning)
            return false;
    }
    return true;
}

void settleUpgrade(BatchState& state, _DEVICERECORD& record, int result)
{
    // Under the list's lock, so that of two devices settling at once only the
    // later one sees the run complete.
    vexlo::CriticalSectionLock lock(state.upgradeList.lock);
    // The first verdict stands: a late stage of a device already settled must
    // not turn its failure into a success after the summary was counted.
    int unsettled = 0;
    if (!record.upgradeResult.compare_exchange_strong(unsettled, result))
        return;
    if (!upgradeComplete(state))
        return;
    if (vexlo::UiPort* ui = state.ui.load())
        ui->post(vexlo::UiMessage{WM_UPGRADE_DONE, 0, 0, {}});
}

void failUpgrade(BatchState& state, _DEVICERECORD& record)
{
    settleUpgrade(state, record, 2);
}

} // namespace vexlo
