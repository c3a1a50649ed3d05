#pragma once

#include "platform/win_types.h"

#include <cstdint>

struct BatchState;

// The instruction sequence: Execute, running the ticked instructions one after
// another in their fixed order, and finishing. Search and modify IP are
// started here; the engine's instructions (upgrade, time sync, the formats,
// restore, reboot, the configuration push) and their completion summaries
// plug in at startEngineInstruction() and onCompletion().
namespace vexlo {

class CReportCtrl;
class DeviceSearch;
class DialogModel;
class ModifyIp;
class UiPort;

class ExecutionDriver
{
public:
    ExecutionDriver(DialogModel& model, CReportCtrl& list, UiPort& ui, BatchState& state,
                    DeviceSearch& search, ModifyIp& modifyIp);

    // Button 1014.
    void execute();
    // Looks at slots `slot`..9 and starts the first ticked one; finishes the
    // sequence when none is ticked.
    void runNextFrom(int slot);
    // Starts one instruction, after the ticked-count guard where it applies.
    void startInstruction(int slot);
    // Clears the running flag, re-enables the panel, shows "执行结束".
    void finishSequence();

    bool running() const { return m_running; }
    int tickedCount() const { return m_tickedCount; }
    void setTickedCount(int count) { m_tickedCount = count; }

    // WM_MODIFYIP_DONE, after the main window has repainted: the new addresses
    // were verified; the devices settle, then the sequence goes on.
    void onModifyIpDone();
    // The other completion messages of the workers.
    LPARAM onCompletion(std::uint32_t message, WPARAM wParam, LPARAM lParam);

private:
    void startEngineInstruction(int slot);
    void enablePanel(bool enabled);
    void clearApplyList();

    DialogModel& m_model;
    CReportCtrl& m_list;
    UiPort& m_ui;
    BatchState& m_state;
    DeviceSearch& m_search;
    ModifyIp& m_modifyIp;
    bool m_running = false;
    int m_tickedCount = 0;
};

} // namespace vexlo
