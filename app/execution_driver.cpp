#include "app/execution_driver.h"

#include "app/instruction_table.h"
#include "app/main_controls.h"
#include "devices/device_search.h"
#include "devices/modify_ip.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
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

} // namespace

ExecutionDriver::ExecutionDriver(DialogModel& model, CReportCtrl& list, UiPort& ui,
                                 BatchState& state, DeviceSearch& search, ModifyIp& modifyIp)
    : m_model(model), m_list(list), m_ui(ui), m_state(state), m_search(search), m_modifyIp(modifyIp)
{
}

void ExecutionDriver::execute()
{
    if (m_model.checked(ctl::UpgradeTick) && m_model.text(ctl::FirmwarePath).empty()) {
        m_ui.showMessage(std::u16string(currentText(m_state, TextId::SelectUpgradeFileFirst)));
        return;
    }
    clearApplyList();
    enablePanel(false);
    m_running = true;
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
        m_ui.showMessage(std::u16string(currentText(m_state, TextId::SelectDeviceFirst)));
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
    default:
        startEngineInstruction(slot);
        break;
    }
}

void ExecutionDriver::startEngineInstruction(int /*slot*/)
{
    // The engine's instructions are not driven from the main window yet; the
    // sequence ends here rather than waiting for a completion that never comes.
    finishSequence();
}

void ExecutionDriver::finishSequence()
{
    m_running = false;
    m_list.setSortable(true);
    m_model.setText(ctl::CurrentAction,
                    std::u16string(currentText(m_state, TextId::ActionComplete)));
    enablePanel(true);
    clearApplyList();
}

void ExecutionDriver::onModifyIpDone()
{
    m_ui.waitWhileHandling(kAfterModifyIpWaitMs);
    runNextFrom(SlotUpgrade);
}

LPARAM ExecutionDriver::onCompletion(std::uint32_t /*message*/, WPARAM /*wParam*/,
                                     LPARAM /*lParam*/)
{
    return 0;
}

void ExecutionDriver::enablePanel(bool enabled)
{
    for (int id : kPanelControls)
        m_model.setEnabled(id, enabled);
}

void ExecutionDriver::clearApplyList()
{
    CriticalSectionLock lock(m_state.applyListLock);
    m_state.applyList.clear();
}

} // namespace vexlo
