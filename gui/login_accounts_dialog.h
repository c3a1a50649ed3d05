#pragma once

#include "credentials/credentials_file.h"

#include <QDialog>
#include <QString>

#include <filesystem>
#include <memory>

class QTableWidget;

// The login-accounts window ("登录账号"): the site's login pairs, tried in
// order, and the accounts of single cameras (named by serial number or IP
// address), edited in two tables. Opening reads credentials.json; a file that
// cannot be used is reported and the window starts from what the program uses
// now. OK checks every row, saves the file (after asking, when the file on
// disk cannot be read) and only then hands the new accounts to the program's
// store; a refused row or a failed save keeps the window open with every edit.
// Cancel changes nothing.
namespace vexlo {

class LoginAccountsDialog : public QDialog
{
public:
    LoginAccountsDialog(std::shared_ptr<credentials::CredentialStore> store,
                        std::filesystem::path file, credentials::TextLanguage language,
                        QWidget* parent = nullptr);

    // The window's title, which is also its entry in the main window's menu.
    static QString title(credentials::TextLanguage language);

    QTableWidget& loginTable() { return *m_logins; }
    QTableWidget& cameraTable() { return *m_cameras; }
    // What the file said when the window opened; empty when it was usable.
    const QString& loadError() const { return m_loadError; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString say(const char* chinese, const char* english) const;
    QWidget* buildLoginGroup();
    QWidget* buildCameraGroup();
    QTableWidget* makeTable(const QStringList& headers);
    void fill(const credentials::SiteCredentials& credentials);
    int appendRow(QTableWidget& table);
    void addRow(QTableWidget& table);
    void removeRow(QTableWidget& table);
    void moveLogin(int step);
    void setPassword(QTableWidget& table, int row, int column, const QString& password);
    bool collect(credentials::SiteCredentials& credentials);
    void refuseCell(QTableWidget& table, int row, int column, const QString& message);
    bool confirmReplacingUnreadableFile();
    void showLoadError();

    std::shared_ptr<credentials::CredentialStore> m_store;
    std::filesystem::path m_file;
    credentials::TextLanguage m_language;
    QTableWidget* m_logins = nullptr;
    QTableWidget* m_cameras = nullptr;
    QString m_loadError;
    bool m_loadErrorShown = false;
};

} // namespace vexlo
