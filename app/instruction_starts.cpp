// The start operations of the engine's instructions: each fills the list its
// worker reads and posts the worker its message.
#include "app/execution_driver.h"
#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/dialog_model.h"
#include "platform/ui_port.h"

#include <cstring>

namespace vexlo {
namespace {

constexpr std::u16string_view kOtherSettingsAction = u"其它设置"; // no English text

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

TextId formatAction(int diskIndex)
{
    switch (diskIndex) {
    case 2:
        return TextId::ActionFormattingSd2;
    case 3:
        return TextId::ActionFormattingUsb;
    default:
        return TextId::ActionFormattingSd1;
    }
}

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

void ExecutionDriver::startFormat(int diskIndex)
{
    showAction(formatAction(diskIndex));
    {
        CriticalSectionLock lock(m_state.maintList.lock);
        m_state.maintList.items.clear();
        for (_DEVICERECORD* record : tickedRecords()) {
            record->diskIndex = diskIndex;
            record->formatState = kFormatPending;
            record->storageInfoReceived = 0;
            record->totalSd1 = 0;
            record->totalSd2 = 0;
            record->totalUsb = 0;
            m_state.maintList.items.push_back(record);
        }
    }
    if (!m_services.workers.postToMaintenance(TM_FORMAT, static_cast<WPARAM>(diskIndex)))
        finishSequence();
}

void ExecutionDriver::startOtherSettings()
{
    m_model.setText(ctl::CurrentAction, std::u16string(kOtherSettingsAction));
    const std::size_t started = m_apply.startApplyConfig(tickedRecords(), m_services.profile, this);
    if (started == 0) {
        finishSequence();
        return;
    }
    m_applying = true;
}

} // namespace vexlo
