#pragma once

#include "platform/win_types.h"
#include "profile/apply_config.h"

#include <cstdint>
#include <string>
#include <vector>

// The instruction sequence: Execute, running the ticked instructions one after
// another in their fixed order, the completion summaries and questions of each,
// and finishing. Everything here runs on the user-interface thread; the work
// itself is done by search and modify IP, the batch workers and the apply
// threads, which report back through the completion messages.
namespace vexlo {
enum class TextId : int;
class BatchWorkers;
struct BatchState;
struct _DEVICERECORD;

class CReportCtrl;
class DeviceSearch;
class DialogModel;
class FrontEnd;
class ModifyIp;
class UiPort;

// What the driver works with besides the window's own state.
struct DriverServices
{
    FrontEnd& frontEnd;
    BatchWorkers& workers;
    const ConfigProfile& profile; // pushed by the other-settings instruction
};

class ExecutionDriver
{
public:
    ExecutionDriver(DialogModel& model, CReportCtrl& list, UiPort& ui, BatchState& state,
                    DeviceSearch& search, ModifyIp& modifyIp, DriverServices services);
    ~ExecutionDriver();

    // Button 1014.
    void execute();
    // Looks at slots `slot`..9 and starts the first ticked one; finishes the
    // sequence when none is ticked.
    void runNextFrom(int slot);
    // Starts one instruction, after the ticked-count guard where it applies.
    // The hidden direct buttons 1029..1035 come here without Execute.
    void startInstruction(int slot);
    // Clears the running flag, re-enables the panel, shows "执行结束".
    void finishSequence();

    bool running() const { return m_running; }
    int tickedCount() const { return m_tickedCount; }
    void setTickedCount(int count) { m_tickedCount = count; }
    // Devices counted as failed by the summaries since the last Execute.
    int failedSinceExecute() const { return m_failedSinceExecute; }

    // WM_MODIFYIP_DONE, after the main window has repainted: the new addresses
    // were verified; the devices settle, then the sequence goes on.
    void onModifyIpDone();
    // WM_UPGRADE_DONE, WM_REBOOT_DONE, WM_RESTORE_DONE, WM_TIMESYNC_DONE,
    // WM_FORMAT_DONE (sent: the worker waits until this returns) and
    // WM_APPLY_DONE; any other message is ignored.
    LPARAM onCompletion(std::uint32_t message, WPARAM wParam, LPARAM lParam);

    // At close: asks the apply threads to stop and waits a bounded time.
    void stopApplyThreads();

private:
    // Each step's start and its end, in the file of that step.
    void startUpgrade(); // upgrade_step.cpp
    void onUpgradeDone();
    void startMaintenance(std::uint32_t threadMessage); // maintenance_steps.cpp
    void onRebootDone(int rebooted, int failed);
    void onRestoreDone(int restored, int failed);
    void onTimeSyncDone(int set, int failed);
    void startFormat(int diskIndex); // format_step.cpp
    void onFormatDone();
    void startOtherSettings(); // other_settings_step.cpp
    void onApplyDone();

    // Whether any instruction from `slot` to the last is ticked.
    bool anyTickedFrom(int slot) const;
    // The records of the ticked rows, in row order.
    std::vector<_DEVICERECORD*> tickedRecords() const;
    int language() const;
    std::u16string text(TextId id) const;
    void showAction(TextId id);
    // Yes/No box; the driver waits for the answer while row updates go on.
    bool ask(const std::u16string& question);
    void tell(const std::u16string& text);
    void enablePanel(bool enabled);
    void clearApplyList();

    DialogModel& m_model;
    CReportCtrl& m_list;
    UiPort& m_ui;
    BatchState& m_state;
    DeviceSearch& m_search;
    ModifyIp& m_modifyIp;
    DriverServices m_services;
    ApplyConfigController m_apply;
    bool m_running = false;
    bool m_applying = false; // an other-settings step waits for WM_APPLY_DONE
    int m_tickedCount = 0;
    int m_failedSinceExecute = 0;
};

} // namespace vexlo
