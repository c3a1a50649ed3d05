#pragma once

#include "app/front_end.h"
#include "devices/report_ctrl.h"
#include "platform/dialog_model.h"
#include "platform/ui_port.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// The main window's logic, without a toolkit: the state of every control by id,
// the start-up sequence, command routing, timers, search and modify IP, and
// shutdown. A front end draws `model()` and `deviceList()`, reports the user's
// actions to them, delivers posted messages and timer ticks through the UiPort,
// and calls onInitDialog() once and onClose() when the window closes.
namespace vexlo {
struct BatchState;

struct ConfigProfile;
class COtherSetDlg;

struct MainWindowOptions
{
    std::filesystem::path configDirectory; // where config.dat lives; empty: configDirectory()
    // The profile the window loads, stores and saves; null: processProfile().
    ConfigProfile* profile = nullptr;
    // The PC's own address for modify IP; empty: hostIPv4Address(). A real-LAN
    // front end gives the first IPv4 address of the interface it searches on.
    std::function<std::optional<std::string>()> pcAddress;
};

class CVexloDlg : public UiHandler
{
public:
    CVexloDlg(UiPort& ui, FrontEnd& frontEnd, MainWindowOptions options);
    ~CVexloDlg() override;

    void onInitDialog();
    void onClose(); // stops the workers cooperatively

    DialogModel& model();
    CReportCtrl& deviceList();
    // The settings window, created hidden by onInitDialog and shown by button
    // 1073; it lives as long as the main window.
    COtherSetDlg& settingsWindow();

    // The list's user events. A mouse press on a row's check box goes through
    // onListCheckBoxClick, which refuses it while a sequence runs.
    bool onListCheckBoxClick(int row);
    void onListDoubleClick(int row);
    void onListHeaderClick(int column);

    // Escape never closes the main window: the front end asks before closing on it.
    static constexpr int kEscapeKey = 0x1B;
    bool swallowsKey(int key) const;
    // System menu: the About entry (command 16, compared after masking the low
    // four bits). Returns false for every other command, which gets the
    // default handling.
    static constexpr unsigned kAboutCommand = 16;
    bool onSystemCommand(unsigned command);

    // A command of a control that the user cannot reach (the hidden buttons
    // 1002, 1003, 1022, 1029..1035): routed like a click would be.
    void onCommand(int id);

    // The language of the main window (0 Chinese, 1 English), as the hidden
    // radio buttons 1063 and 1064 switch it: the texts are rewritten in their
    // fixed order; the current-action line and the cells already shown keep
    // theirs. Any other index, or the language in force, changes nothing.
    void setLanguage(int language);
    int language() const;

    // Settings for this run only, as the command line gives them: shown in
    // combos 1020 and 1038 and used, but not stored in config.dat. The count
    // is kept within 1..250; a timeout that combo 1038 does not offer is
    // refused (false).
    void setExpectedDeviceCountForRun(int count);
    bool setFormatTimeoutForRun(int minutes);

    // Called when a search has listed the expected number of devices, before
    // the next ticked instruction starts (the command line's --only).
    void setAfterSearch(std::function<void()> hook);

    // Devices that the summaries counted as failed since the last Execute.
    int failedSinceExecute() const;

    // State the front ends and tests read.
    bool running() const;
    int expectedDeviceCount() const;
    std::uint32_t formatTimeoutMs() const;
    int tickedCount() const;
    int totalCount() const;
    const std::filesystem::path& configDirectory() const;
    ConfigProfile& profile();
    BatchState& batchState();

    // UiHandler: posted messages and timer ticks.
    LPARAM onMessage(const UiMessage& message) override;
    void onTimer(std::uint32_t timerId) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vexlo
