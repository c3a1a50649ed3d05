#pragma once

#include "app/front_end.h"

#include <QPointer>
#include <QWidget>

#include <functional>

// The main window's modal windows on Qt: the set-IP dialog, the firmware file
// dialog, the About box, and stand-ins for the settings window and the video
// wall until they exist.
namespace vexlo {

class QtFrontEnd : public FrontEnd
{
public:
    // The window the dialogs are modal to, and what repaint() redraws.
    void setMainWindow(QWidget* window, std::function<void()> redraw);

    void runSetIpDialog(CSettingIPDlg& dialog) override;
    std::optional<std::u16string> browseForFirmware() override;
    void showAbout() override;
    void showSettingsWindow() override;
    void runVideoWall(const std::vector<_DEVICERECORD*>& devices) override;
    void runSingleVideo(_DEVICERECORD* device) override;
    void repaint() override;

private:
    void showNotice(const QString& text);

    QPointer<QWidget> m_window;
    std::function<void()> m_redraw;
};

// The filters of the firmware file dialog.
QString firmwareFileFilter();

} // namespace vexlo
