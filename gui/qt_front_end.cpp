#include "gui/qt_front_end.h"

#include "devices/setting_ip_dlg.h"
#include "gui/application_title.h"
#include "gui/set_ip_dialog.h"
#include "gui/video_wall_dialog.h"
#include "gui/watch_video_dialog.h"
#include "settings/other_set_dlg.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vexlo {

QString firmwareFileFilter()
{
    return QStringLiteral("bin Files (*.bin);;ALL Files (*.*)");
}

void QtFrontEnd::setMainWindow(QWidget* window, std::function<void()> redraw)
{
    m_window = window;
    m_redraw = std::move(redraw);
}

void QtFrontEnd::runSetIpDialog(CSettingIPDlg& dialog)
{
    SetIpDialog window(dialog, m_window.data());
    window.exec();
}

std::optional<std::u16string> QtFrontEnd::browseForFirmware()
{
    const QString path =
        QFileDialog::getOpenFileName(m_window.data(), QString(), QString(), firmwareFileFilter());
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdU16String();
}

void QtFrontEnd::showAbout()
{
    QMessageBox::about(m_window.data(), QStringLiteral("about Vexlo"),
                       QString::fromStdU16String(kApplicationTitle));
}

void QtFrontEnd::showNotice(const QString& text)
{
    QMessageBox box(QMessageBox::Information, QString::fromStdU16String(kApplicationTitle), text,
                    QMessageBox::Ok, m_window.data());
    box.exec();
}

void QtFrontEnd::showSettingsWindow()
{
    if (!m_settingsDialog)
        return;
    // The texts are the main window's language of now: a window drawn in
    // another is made again from the logic, which keeps every page's state.
    // The old one goes first, so that its binders let go of the models.
    if (m_settingsWindow && m_settingsWindow->language() != m_settingsDialog->language())
        delete m_settingsWindow.data();
    if (!m_settingsWindow)
        m_settingsWindow = new SettingsWindow(*m_settingsDialog, m_window.data());
    m_settingsWindow->refresh();
    if (m_window) {
        // Client area over client area: the frames' sizes are not known
        // before the window is mapped.
        QRect client(QPoint(), m_settingsWindow->size());
        client.moveCenter(m_window->geometry().center());
        m_settingsWindow->setGeometry(client);
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void QtFrontEnd::refreshSettingsWindow()
{
    if (m_settingsWindow)
        m_settingsWindow->refresh();
}

void QtFrontEnd::runVideoWall(const std::vector<_DEVICERECORD*>& devices)
{
    VideoWallDialog wall(devices, m_window.data());
    wall.exec();
}

void QtFrontEnd::runSingleVideo(_DEVICERECORD* device)
{
    if (!m_batchState)
        return;
    WatchVideoDialog window(device, *m_batchState, m_window.data());
    window.exec();
}

void QtFrontEnd::repaint()
{
    if (m_redraw)
        m_redraw();
    if (m_window)
        m_window->repaint();
}

} // namespace vexlo
