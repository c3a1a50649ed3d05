#pragma once

#include "app/front_end.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The front end without windows, for the command line and the tests: it
// records what the main window asked for and answers from a script.
namespace vexlo {

class HeadlessFrontEnd : public FrontEnd
{
public:
    // What the set-IP dialog does while it is "open": edits and a click on OK
    // or Cancel through the dialog's model. Without a script, or when the
    // script leaves it open, the dialog is closed as by its close button.
    std::function<void(CSettingIPDlg&)> setIpScript;
    // The file the open-file dialog "chooses"; nothing: cancelled.
    std::optional<std::u16string> firmwareChoice;
    // Runs while the video wall is "open" (the main window's loop goes on).
    std::function<void(const std::vector<_DEVICERECORD*>&)> videoWallScript;

    void runSetIpDialog(CSettingIPDlg& dialog) override;
    std::optional<std::u16string> browseForFirmware() override;
    void showAbout() override;
    void showSettingsWindow() override;
    void runVideoWall(const std::vector<_DEVICERECORD*>& devices) override;
    void runSingleVideo(_DEVICERECORD* device) override;
    void repaint() override;

    int setIpDialogs = 0;
    int browses = 0;
    int aboutBoxes = 0;
    int settingsWindows = 0;
    int repaints = 0;
    std::vector<std::vector<_DEVICERECORD*>> videoWalls;
    std::vector<_DEVICERECORD*> singleVideos;
};

} // namespace vexlo
