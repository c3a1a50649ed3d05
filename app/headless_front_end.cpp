#include "app/headless_front_end.h"

#include "devices/setting_ip_dlg.h"

namespace vexlo {

void HeadlessFrontEnd::runSetIpDialog(CSettingIPDlg& dialog)
{
    ++setIpDialogs;
    if (setIpScript)
        setIpScript(dialog);
    if (!dialog.isClosed())
        dialog.onClose();
}

std::optional<std::u16string> HeadlessFrontEnd::browseForFirmware()
{
    ++browses;
    return firmwareChoice;
}

void HeadlessFrontEnd::showAbout()
{
    ++aboutBoxes;
}

void HeadlessFrontEnd::showSettingsWindow()
{
    ++settingsWindows;
}

void HeadlessFrontEnd::runVideoWall(const std::vector<_DEVICERECORD*>& devices)
{
    videoWalls.push_back(devices);
    if (videoWallScript)
        videoWallScript(devices);
}

void HeadlessFrontEnd::runSingleVideo(_DEVICERECORD* device)
{
    singleVideos.push_back(device);
}

void HeadlessFrontEnd::repaint()
{
    ++repaints;
}

} // namespace vexlo
