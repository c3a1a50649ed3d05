#pragma once

#include <optional>
#include <string>
#include <vector>

// What only a front end can do for the main window's logic, besides the
// UiPort: modal windows and dialogs, repainting. The Qt GUI opens real windows;
// the command line and the tests answer from a script. Every call is made on the
// user-interface thread, and the modal ones return when the window closes, while
// posted messages and timer ticks keep being handled.
namespace vexlo {
struct _DEVICERECORD;

class CSettingIPDlg;

class FrontEnd
{
public:
    virtual ~FrontEnd() = default;

    // Runs the set-IP dialog modally; the dialog's logic stores its fields at
    // once and handles OK and Cancel itself.
    virtual void runSetIpDialog(CSettingIPDlg& dialog) = 0;

    // The open-file dialog of the firmware row; nothing when cancelled.
    virtual std::optional<std::u16string> browseForFirmware() = 0;

    // The About box (system-menu entry "about Vexlo(&A)...").
    virtual void showAbout() = 0;

    // Shows the hidden settings window, centred over the main window.
    virtual void showSettingsWindow() = 0;

    // The live video wall of these devices (at most 250, in list order), and the
    // single-device window; both modal.
    virtual void runVideoWall(const std::vector<_DEVICERECORD*>& devices) = 0;
    virtual void runSingleVideo(_DEVICERECORD* device) = 0;

    // Repaints the main window now.
    virtual void repaint() = 0;
};

} // namespace vexlo
