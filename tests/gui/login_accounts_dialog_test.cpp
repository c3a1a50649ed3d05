#include "gui_test_support.h"
#include "tests/support/temp_dir.h"

#include "app/main_window.h"
#include "credentials/credentials_file.h"
#include "gui/login_accounts_dialog.h"
#include "gui/main_window_view.h"
#include "gui/qt_front_end.h"
#include "gui/qt_ui_port.h"
#include "profile/config_profile.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlo {
namespace {

namespace fs = std::filesystem;
using credentials::CameraLogin;
using credentials::CredentialStore;
using credentials::LoginPair;
using credentials::SiteCredentials;
using credentials::TextLanguage;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Opens the cell's editor, replaces its text and leaves it with `leave`.
void typeInto(QTableWidget& table, int row, int column, const QString& text,
              Qt::Key leave = Qt::Key_Return)
{
    const QModelIndex index = table.model()->index(row, column);
    if (!table.indexWidget(index)) {
        table.setCurrentIndex(index);
        table.edit(index);
    }
    auto* editor = qobject_cast<QLineEdit*>(table.indexWidget(index));
    ASSERT_TRUE(editor) << "no editor in row " << row << " column " << column;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, leave);
}

// The login-accounts window over a folder of its own and a store that holds
// the default account.
class LoginAccountsDialogTest : public ::testing::Test
{
protected:
    void TearDown() override { m_dialog.reset(); }

    LoginAccountsDialog& open(TextLanguage language = TextLanguage::Chinese)
    {
        m_dialog = std::make_unique<LoginAccountsDialog>(m_store, m_file, language);
        m_dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
        return *m_dialog;
    }
    QPushButton* button(const char* name) { return m_dialog->findChild<QPushButton*>(name); }
    void clickOk()
    {
        QTest::mouseClick(m_dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    }
    // Clicks OK; the box it raises is answered with `answer`.
    QString clickOkAndAnswer(QMessageBox::StandardButton answer)
    {
        QString text;
        test::answerNextBox(answer, nullptr, &text);
        clickOk(); // returns once the box was answered
        return text;
    }

    test::TempDir m_dir{"vexlo-accounts-gui"};
    const fs::path m_folder = m_dir.path();
    fs::path m_file = credentials::credentialsFileBeside(m_folder);
    std::shared_ptr<CredentialStore> m_store = std::make_shared<CredentialStore>();
    std::unique_ptr<LoginAccountsDialog> m_dialog;
};

TEST_F(LoginAccountsDialogTest, AddedPairIsSavedPrivatelyInItsPlaceAndReachesTheStore)
{
    LoginAccountsDialog& dialog = open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("登录账号"));
    QTableWidget& logins = dialog.loginTable();
    ASSERT_EQ(logins.rowCount(), 1);
    EXPECT_EQ(logins.item(0, 0)->text(), QStringLiteral("admin"));

    QTest::mouseClick(button("addLogin"), Qt::LeftButton);
    ASSERT_EQ(logins.rowCount(), 2);
    typeInto(logins, 1, 0, QStringLiteral("ops"), Qt::Key_Tab); // on to the password
    typeInto(logins, 1, 1, QStringLiteral("s3cret"));
    for (int row = 0; row < logins.rowCount(); ++row)
        EXPECT_FALSE(logins.item(row, 1)->text().contains(QStringLiteral("s3cret")));
    QTest::mouseClick(button("moveLoginUp"), Qt::LeftButton);
    EXPECT_EQ(logins.item(0, 0)->text(), QStringLiteral("ops"));

    clickOk();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const credentials::CredentialsLoad saved = credentials::loadCredentials(m_file);
    EXPECT_EQ(saved.error, "");
    const std::vector<LoginPair> expected{{"ops", "s3cret"}, {"admin", ""}};
    EXPECT_EQ(saved.credentials.pairs, expected);
    EXPECT_EQ(m_store->snapshot().pairs, expected);
    struct stat status = {};
    ASSERT_EQ(::stat(m_file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

TEST_F(LoginAccountsDialogTest, RefusedRowKeepsTheWindowOpenWithEveryEdit)
{
    LoginAccountsDialog& dialog = open(TextLanguage::English);
    QTableWidget& cameras = dialog.cameraTable();
    QTest::mouseClick(button("addCamera"), Qt::LeftButton);
    typeInto(cameras, 0, 0, QStringLiteral("127.0.10.300"), Qt::Key_Tab);
    typeInto(cameras, 0, 1, QStringLiteral("installer"), Qt::Key_Tab);
    typeInto(cameras, 0, 2, QStringLiteral("pw"));

    QString text = clickOkAndAnswer(QMessageBox::Ok);
    EXPECT_TRUE(text.contains(QStringLiteral("row 1: \"127.0.10.300\" is not a valid IP address")))
        << text.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(cameras.currentRow(), 0);
    EXPECT_FALSE(fs::exists(m_file));
    EXPECT_EQ(m_store->snapshot(), credentials::defaultCredentials());

    // An empty user name is refused too.
    typeInto(dialog.loginTable(), 0, 0, QStringLiteral("  "));
    text = clickOkAndAnswer(QMessageBox::Ok);
    EXPECT_TRUE(text.contains(QStringLiteral("Accounts tried in order, row 1: the user name is "
                                             "empty")))
        << text.toStdString();
    typeInto(dialog.loginTable(), 0, 0, QStringLiteral("admin"));

    // Digits without a dot are a serial number.
    typeInto(cameras, 0, 0, QStringLiteral("30"));
    clickOk();
    EXPECT_FALSE(dialog.isVisible());
    const std::vector<CameraLogin> expected{CameraLogin{"30", "", {"installer", "pw"}}};
    EXPECT_EQ(credentials::loadCredentials(m_file).credentials.cameras, expected);
    EXPECT_EQ(m_store->snapshot().cameras, expected);
}

TEST_F(LoginAccountsDialogTest, MalformedFileIsReplacedOnlyAfterTheUserAgrees)
{
    const std::string broken = "{\"logins\": [\n  {\"user\": \"ops\" \"password\": \"x\"}]}";
    std::ofstream(m_file) << broken;
    SiteCredentials inUse;
    inUse.pairs = {{"ops", "x"}, {"admin", "12345"}};
    m_store->replace(inUse);

    QString loadText;
    test::answerNextBox(QMessageBox::Ok, nullptr, &loadText);
    LoginAccountsDialog& dialog = open();
    ASSERT_TRUE(test::waitFor([&] { return !loadText.isEmpty(); }));
    EXPECT_TRUE(loadText.contains(QString::fromStdString(m_file.string()) +
                                  QStringLiteral(" 不是有效的 JSON（第 2 行有误）")))
        << loadText.toStdString();
    EXPECT_FALSE(loadText.contains(QStringLiteral("12345")));
    ASSERT_EQ(dialog.loginTable().rowCount(), 2) << "the window starts from the store";
    EXPECT_EQ(dialog.loginTable().item(1, 0)->text(), QStringLiteral("admin"));

    const QString question = clickOkAndAnswer(QMessageBox::No);
    EXPECT_TRUE(question.contains(QStringLiteral("要用这里的账号替换它吗")))
        << question.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(readFile(m_file), broken);

    clickOkAndAnswer(QMessageBox::Yes);
    ASSERT_TRUE(test::waitFor([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(credentials::loadCredentials(m_file).credentials, inUse);
    EXPECT_EQ(m_store->snapshot(), inUse);
}

TEST_F(LoginAccountsDialogTest, FailedSaveIsShownAndNothingIsLost)
{
    // The file's folder is a regular file: it can be neither read nor created.
    std::ofstream(m_folder / "plain") << "x";
    m_file = m_folder / "plain" / "credentials.json";
    QString loadText;
    test::answerNextBox(QMessageBox::Ok, nullptr, &loadText);
    LoginAccountsDialog& dialog = open(TextLanguage::English);
    ASSERT_TRUE(test::waitFor([&] { return !loadText.isEmpty(); }));
    EXPECT_TRUE(loadText.contains(QStringLiteral("Cannot read the login accounts file")));

    QTest::mouseClick(button("addLogin"), Qt::LeftButton);
    typeInto(dialog.loginTable(), 1, 0, QStringLiteral("ops"));
    QString saveText;
    test::answerNextBox(QMessageBox::Yes, nullptr, nullptr); // replace the unreadable file
    test::answerNextBox(QMessageBox::Ok, nullptr, &saveText, [] {
        return test::openMessageBox()->text().contains(QStringLiteral("not saved"));
    });
    clickOk();
    ASSERT_TRUE(test::waitFor([&] { return !saveText.isEmpty(); }));
    EXPECT_TRUE(saveText.contains(QStringLiteral("could not be created")))
        << saveText.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.loginTable().rowCount(), 2);
    EXPECT_EQ(dialog.loginTable().item(1, 0)->text(), QStringLiteral("ops"));
    EXPECT_EQ(m_store->snapshot(), credentials::defaultCredentials());
}

// The main window's menu, without a device library: the entry beside About
// follows the window's language and is usable once credentials are given.
TEST_F(LoginAccountsDialogTest, MenuEntryFollowsTheWindowsLanguage)
{
    auto profile = std::make_unique<ConfigProfile>();
    std::memset(static_cast<void*>(profile.get()), 0, sizeof(ConfigProfile));
    MainWindowOptions options;
    options.configDirectory = m_folder;
    options.profile = profile.get();
    QtUiPort port;
    QtFrontEnd frontEnd;
    CVexloDlg logic(port, frontEnd, options);
    port.setHandler(&logic);
    MainWindowView window(logic);
    logic.onInitDialog();
    window.show();

    auto menuEntry = [&] {
        std::pair<QString, bool> seen;
        QTimer::singleShot(0, &window, [&] {
            ASSERT_TRUE(test::waitFor([] { return QApplication::activePopupWidget(); }));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu && menu->actions().size() >= 2);
            seen = {menu->actions().at(1)->text(), menu->actions().at(1)->isEnabled()};
            menu->close();
        });
        window.showSystemMenu(window.mapToGlobal(QPoint(10, 10)));
        return seen;
    };
    EXPECT_EQ(menuEntry(), std::make_pair(QStringLiteral("登录账号"), false));
    window.setCredentials(m_store, m_file);
    logic.setLanguage(1);
    EXPECT_EQ(menuEntry(), std::make_pair(QStringLiteral("Login accounts"), true));

    window.close();
    port.shutdown();
    port.setHandler(nullptr);
}

} // namespace
} // namespace vexlo
