// The reboot, factory restore and clock sync steps: the start fills maintList
// and posts the maintenance thread its message; the end shows the summary and
// asks whether to go on.
#include "app/execution_driver.h"
#include "app/instruction_table.h"
#include "app/summary_texts.h"
#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/ui_port.h"

namespace vexlo {
namespace {

std::uint32_t completionOf(std::uint32_t threadMessage)
{
    switch (threadMessage) {
    case TM_TIMESYNC:
        return WM_TIMESYNC_DONE;
    case TM_RESTORE:
        return WM_RESTORE_DONE;
    default:
        return WM_REBOOT_DONE;
    }
}

} // namespace

void ExecutionDriver::startMaintenance(std::uint32_t threadMessage)
{
    bool empty = true;
    {
        CriticalSectionLock lock(m_state.maintList.lock);
        m_state.maintList.items.clear();
        for (_DEVICERECORD* record : tickedRecords()) {
            record->timeSyncState = kTimeSyncPending;
            record->restoreState = kRestorePending;
            m_state.maintList.items.push_back(record);
        }
        empty = m_state.maintList.items.empty();
    }
    if (empty || !m_services.workers.postToMaintenance(threadMessage)) {
        // Nothing to do, or no worker to do it: go on as after a step
        // without failures rather than wait for an answer that never comes.
        m_ui.post(UiMessage{completionOf(threadMessage), 0, 0, {}});
    }
}

void ExecutionDriver::onRebootDone(int rebooted, int failed)
{
    m_failedSinceExecute += failed;
    if (failed > 0)
        tell(rebootSummary(language(), rebooted, failed));
    finishSequence();
}

void ExecutionDriver::onRestoreDone(int restored, int failed)
{
    m_failedSinceExecute += failed;
    if (failed > 0) {
        if (!anyTickedFrom(SlotReboot)) {
            tell(restoreSummary(language(), restored, failed, false));
            finishSequence();
            return;
        }
        if (!ask(restoreSummary(language(), restored, failed, true))) {
            finishSequence();
            return;
        }
    }
    runNextFrom(SlotReboot);
}

void ExecutionDriver::onTimeSyncDone(int set, int failed)
{
    m_failedSinceExecute += failed;
    if (failed > 0) {
        if (!anyTickedFrom(SlotFormatSd1)) {
            tell(timeSyncSummary(language(), set, failed, false));
            finishSequence();
            return;
        }
        if (!ask(timeSyncSummary(language(), set, failed, true))) {
            finishSequence();
            return;
        }
    }
    runNextFrom(SlotFormatSd1);
}

} // namespace vexlo
