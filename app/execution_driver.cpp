#include "app/execution_driver.h"

#include "app/instruction_table.h"
#include "app/main_controls.h"
#include "devices/device_search.h"
#include "devices/modify_ip.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/dialog_model.h"
#include "platform/ui_port.h"

#include <algorithm>

namespace vexlo {
namespace {

// After the new addresses are verified, the devices get this long to settle
// before the next instruction talks to them.
constexpr std::uint32_t kAfterModifyIpWaitMs = 1500;

bool needsTickedRows(int slot)
{
    return slot != SlotSearch && slot != SlotOtherSettings;
}

int nonNegative(std::intptr_t value)
{
    return value < 0 ? 0 : static_cast<int>(value);
}

} // namespace

ExecutionDriver::ExecutionDriver(DialogModel& model, CReportCtrl& list, UiPort& ui,
                                 BatchState& state, DeviceSearch& search, ModifyIp& modifyIp,
                                 DriverServices services)
    : m_model(model), m_list(list), m_ui(ui), m_state(state), m_search(search),
      m_modifyIp(modifyIp), m_services(services), m_apply(state)
{
}

ExecutionDriver::~ExecutionDriver() = default;

void ExecutionDriver::execute()
{
    if (m_model.checked(ctl::UpgradeTick) && m_model.text(ctl::FirmwarePath).empty()) {
        tell(text(TextId::SelectUpgradeFileFirst));
        return;
    }
    clearApplyList();
    enablePanel(false);
    m_running = true;
    m_failedSinceExecute = 0;
    m_list.setSortable(false);
    runNextFrom(SlotSearch);
}

void ExecutionDriver::runNextFrom(int slot)
{
    for (int next = std::max(slot, 0); next < kInstructionCount; ++next) {
        if (m_model.checked(kInstructions[next].checkBoxId)) {
            startInstruction(next);
            return;
        }
    }
    finishSequence();
}

void ExecutionDriver::startInstruction(int slot)
{
    if (needsTickedRows(slot) && m_tickedCount == 0) {
        tell(text(TextId::SelectDeviceFirst));
        finishSequence();
        return;
    }
    switch (slot) {
    case SlotSearch:
        m_search.start();
        break;
    case SlotModifyIp:
        m_modifyIp.start();
        break;
    case SlotUpgrade:
        startUpgrade();
        break;
    case SlotTimeSync:
        showAction(TextId::ActionSettingTime);
        startMaintenance(TM_TIMESYNC);
        break;
    case SlotFormatSd1:
    case SlotFormatSd2:
    case SlotFormatUsb:
        startFormat(slot - SlotFormatSd1 + 1);
        break;
    case SlotRestore:
        showAction(TextId::Restoring);
        startMaintenance(TM_RESTORE);
        break;
    case SlotReboot:
        showAction(TextId::ActionRebooting);
        startMaintenance(TM_REBOOT);
        break;
    case SlotOtherSettings:
        startOtherSettings();
        break;
    default:
        finishSequence();
        break;
    }
}

LPARAM ExecutionDriver::onCompletion(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    const int succeeded = nonNegative(static_cast<std::intptr_t>(wParam));
    const int failed = nonNegative(static_cast<std::intptr_t>(lParam));
    switch (message) {
    case WM_UPGRADE_DONE:
        onUpgradeDone();
        break;
    case WM_REBOOT_DONE:
        onRebootDone(succeeded, failed);
        break;
    case WM_RESTORE_DONE:
        onRestoreDone(succeeded, failed);
        break;
    case WM_TIMESYNC_DONE:
        onTimeSyncDone(succeeded, failed);
        break;
    case WM_FORMAT_DONE:
        onFormatDone();
        break;
    case WM_APPLY_DONE:
        onApplyDone();
        break;
    default:
        break;
    }
    return 0;
}

void ExecutionDriver::finishSequence()
{
    m_running = false;
    m_applying = false;
    m_list.setSortable(true);
    showAction(TextId::ActionComplete);
    enablePanel(true);
    clearApplyList();
}

void ExecutionDriver::onModifyIpDone()
{
    m_ui.waitWhileHandling(kAfterModifyIpWaitMs);
    runNextFrom(SlotUpgrade);
}

void ExecutionDriver::stopApplyThreads()
{
    m_apply.stopAll();
}

bool ExecutionDriver::anyTickedFrom(int slot) const
{
    for (int next = std::max(slot, 0); next < kInstructionCount; ++next) {
        if (m_model.checked(kInstructions[next].checkBoxId))
            return true;
    }
    return false;
}

std::vector<_DEVICERECORD*> ExecutionDriver::tickedRecords() const
{
    std::vector<_DEVICERECORD*> records;
    for (int row = 0; row < m_list.rowCount(); ++row) {
        if (!m_list.isTicked(row))
            continue;
        if (_DEVICERECORD* record = m_list.deviceOfRow(row))
            records.push_back(record);
    }
    return records;
}

int ExecutionDriver::language() const
{
    return m_state.languageIndex.load();
}

std::u16string ExecutionDriver::text(TextId id) const
{
    return std::u16string(currentText(m_state, id));
}

void ExecutionDriver::showAction(TextId id)
{
    m_model.setText(ctl::CurrentAction, text(id));
}

bool ExecutionDriver::ask(const std::u16string& question)
{
    return m_ui.askYesNo(question);
}

void ExecutionDriver::tell(const std::u16string& message)
{
    m_ui.showMessage(message);
}

void ExecutionDriver::enablePanel(bool enabled)
{
    for (int id : kPanelControls)
        m_model.setEnabled(id, enabled);
}

void ExecutionDriver::clearApplyList()
{
    m_state.applyList.clear();
}

} // namespace vexlo
