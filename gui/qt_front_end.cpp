#include "gui/qt_front_end.h"

#include "devices/setting_ip_dlg.h"
#include "gui/application_title.h"
#include "gui/set_ip_dialog.h"

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
    showNotice(QStringLiteral("其它设置窗口将在后续版本中提供。"));
}

void QtFrontEnd::runVideoWall(const std::vector<_DEVICERECORD*>& devices)
{
    showNotice(QStringLiteral("视频墙将在后续版本中提供（勾选设备 %1 台）。").arg(devices.size()));
}

void QtFrontEnd::runSingleVideo(_DEVICERECORD*)
{
    showNotice(QStringLiteral("单设备视频窗口将在后续版本中提供。"));
}

void QtFrontEnd::repaint()
{
    if (m_redraw)
        m_redraw();
    if (m_window)
        m_window->repaint();
}

} // namespace vexlo
