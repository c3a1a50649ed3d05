#pragma once

#include "app/front_end.h"
#include "gui/settings_window.h"

#include <QPointer>
#include <QWidget>

#include <functional>

// The main window's modal windows on Qt: the set-IP dialog, the firmware file
// dialog, the About box, the settings window (modeless), the video wall and the
// single-device video window.
namespace vexlo {
struct BatchState;

class COtherSetDlg;

class QtFrontEnd : public FrontEnd
{
public:
    // The window the dialogs are modal to, and what repaint() redraws.
    void setMainWindow(QWidget* window, std::function<void()> redraw);
    // The settings window's logic; its Qt window is made on the first show,
    // and again on a show in another language.
    void setSettingsDialog(COtherSetDlg* dialog) { m_settingsDialog = dialog; }
    // Where the single-device window finds login answers (the main window's state).
    void setBatchState(BatchState* state) { m_batchState = state; }
    // Draws what the settings logic changed (after a handled message).
    void refreshSettingsWindow();
    // The settings window once shown, else nullptr.
    SettingsWindow* settingsWindow() const { return m_settingsWindow.data(); }

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
    COtherSetDlg* m_settingsDialog = nullptr;
    QPointer<SettingsWindow> m_settingsWindow;
    BatchState* m_batchState = nullptr;
};

// The filters of the firmware file dialog.
QString firmwareFileFilter();

} // namespace vexlo
