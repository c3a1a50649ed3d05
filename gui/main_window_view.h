#pragma once

#include <QWidget>

#include <filesystem>
#include <memory>

// The main window on Qt, laid out like the original dialog: the device list in
// the "设备信息" group with the counts row, the firmware row, the instruction
// panel, and the current-action line. It draws CVexloDlg's controls through the
// binder and its list through the list view, and hands every user action to
// CVexloDlg. Resizable: the list takes the extra room.
namespace vexlo {

namespace credentials {
class CredentialStore;
}

class ScanTargets;

class CVexloDlg;
class ControlBinder;
class DeviceListModel;
class DeviceListView;

class MainWindowView : public QWidget
{
public:
    explicit MainWindowView(CVexloDlg& dialog, QWidget* parent = nullptr);
    ~MainWindowView() override;

    ControlBinder& binder() { return *m_binder; }
    DeviceListView& listView() { return *m_listView; }

    // Draws what the logic changed: after a posted message, a timer tick, a
    // user action, or when the logic asks for a repaint.
    void refresh();

    // The stand-in for the system menu (right click on the window, or Alt+Space).
    void showSystemMenu(const QPoint& globalPosition);

    // The site's login accounts: the store the device libraries read at login
    // and the credentials.json the login-accounts window saves. Until they are
    // given, the menu's login-accounts entry is disabled.
    void setCredentials(std::shared_ptr<credentials::CredentialStore> store,
                        std::filesystem::path file);
    // The login-accounts window, modal, in the main window's language.
    void openLoginAccounts();
    // The ranges the device libraries scan at every search; until they are
    // given, the menu's scan entry is disabled. `loopbackOnly`: without --lan.
    void setScanTargets(std::shared_ptr<ScanTargets> targets, bool loopbackOnly);
    // The scan-ranges window, modal; its ranges apply to the searches that follow.
    void openScanRanges();
    // The list's right-click menu: "导出列表" / "Export list".
    void showListMenu(const QPoint& globalPosition);
    // Asks where to save the device list as CSV and saves it there.
    void exportList();
    // Saves the device list as CSV to `file`; empty, or what went wrong.
    QString exportListTo(const QString& file);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    QSize dialogUnits(int width, int height) const;

    CVexloDlg& m_dialog;
    ControlBinder* m_binder = nullptr;
    DeviceListModel* m_listModel = nullptr;
    DeviceListView* m_listView = nullptr;
    bool m_closed = false;
    std::shared_ptr<credentials::CredentialStore> m_credentialStore;
    std::filesystem::path m_credentialsFile;
    std::shared_ptr<ScanTargets> m_scanTargets;
    bool m_scanLoopbackOnly = true;
};

} // namespace vexlo
