// The firmware upgrade step: its start fills upgradeList and hands each
// device to the upgrade controller; its end counts the results, offers the
// video wall when some failed, and asks whether to go on.
#include "app/execution_driver.h"
#include "app/front_end.h"
#include "app/instruction_table.h"
#include "app/main_controls.h"
#include "app/summary_texts.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/codepage.h"
#include "platform/dialog_model.h"
#include "platform/ui_port.h"

#include <cstring>

namespace vexlo {
namespace {

// Beyond this many devices the video wall is not offered.
constexpr int kMaxVideoOfferDevices = 49;
// The video wall shows at most this many devices.
constexpr std::size_t kMaxVideoWallDevices = 250;

int rowShowing(const CReportCtrl& list, const _DEVICERECORD* record)
{
    for (int row = 0; row < list.rowCount(); ++row) {
        if (list.deviceOfRow(row) == record)
            return row;
    }
    return -1;
}

} // namespace

void ExecutionDriver::startUpgrade()
{
    showAction(TextId::Upgrading);
    const std::vector<_DEVICERECORD*> records = tickedRecords();
    m_state.rebootWaitList.clear();
    // The list's lock is held until every device is queued: a device that
    // settles early must not see the run complete while others are missing.
    CriticalSectionLock lock(m_state.upgradeList.lock);
    m_state.upgradeList.items.clear();
    for (_DEVICERECORD* record : records) {
        record->loginPurpose = kLoginForUpgrade;
        record->rebootState = kRebootNone;
        record->rebootStartTick = 0;
        if (record->upgradeResult.load() != kUpgradeRunning) {
            record->upgradeResult = kUpgradeRunning;
            std::memset(record->versionBefore, 0, sizeof record->versionBefore);
            std::memset(record->versionAfter, 0, sizeof record->versionAfter);
            const int row = rowShowing(m_list, record);
            m_list.setCellText(row, COLUMN_VERSION_BEFORE, {});
            m_list.setCellText(row, COLUMN_VERSION_AFTER, {});
        }
        m_state.upgradeList.items.push_back(record);
        m_services.workers.postToUpgradeControl(TM_UPGRADE_START, reinterpret_cast<WPARAM>(record));
    }
    if (m_state.upgradeList.items.empty()) {
        // No worker will report: the step ends as one without failures.
        m_ui.post(UiMessage{WM_UPGRADE_DONE, 0, 0, {}});
    }
}

void ExecutionDriver::onUpgradeDone()
{
    int total = 0;
    int succeeded = 0;
    int failed = 0;
    {
        CriticalSectionLock lock(m_state.upgradeList.lock);
        for (const _DEVICERECORD* record : m_state.upgradeList.items) {
            if (!record)
                continue;
            ++total;
            const int result = record->upgradeResult.load();
            succeeded += result == kUpgradeSucceeded ? 1 : 0;
            failed += result == kUpgradeFailed ? 1 : 0;
        }
    }
    m_model.setText(ctl::SuccessCount, vexlo::decimalUtf16(succeeded));
    m_model.setText(ctl::FailureCount, vexlo::decimalUtf16(failed));
    m_failedSinceExecute += failed;

    if (failed > 0 && total <= kMaxVideoOfferDevices) {
        if (ask(upgradeSummary(language(), total, succeeded, failed, true))) {
            std::vector<_DEVICERECORD*> devices = tickedRecords();
            if (devices.size() > kMaxVideoWallDevices)
                devices.resize(kMaxVideoWallDevices);
            m_services.frontEnd.runVideoWall(devices);
        }
        if (anyTickedFrom(SlotTimeSync) && !ask(text(TextId::AskContinueInstructions))) {
            finishSequence();
            return;
        }
    } else if (failed > 0 && anyTickedFrom(SlotTimeSync)) {
        if (!ask(upgradeSummary(language(), total, succeeded, failed, false))) {
            finishSequence();
            return;
        }
    }
    runNextFrom(SlotTimeSync);
}

} // namespace vexlo
