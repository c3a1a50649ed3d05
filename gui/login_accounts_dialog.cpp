#include "gui/login_accounts_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <utility>

namespace vexlo {

using credentials::CameraLogin;
using credentials::LoginPair;
using credentials::SiteCredentials;
using credentials::TextLanguage;

namespace {

// The login table's columns, then the camera table's.
constexpr int kLoginUser = 0;
constexpr int kLoginPassword = 1;
constexpr int kCameraKey = 0;
constexpr int kCameraUser = 1;
constexpr int kCameraPassword = 2;

// A password cell keeps its text under this role; the display role stays
// empty, so nothing that reads the cells' display text sees a password.
constexpr int kPasswordRole = Qt::UserRole;

std::string utf8(const QString& text)
{
    return text.toStdString();
}

QString fromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

// A key of digits and dots with at least one dot is meant as an IP address;
// anything else is a serial number.
bool meantAsAddress(const QString& key)
{
    bool dot = false;
    for (const QChar c : key) {
        if (c == u'.')
            dot = true;
        else if (!c.isDigit())
            return false;
    }
    return dot;
}

bool hasSpace(const QString& text)
{
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// Draws a password as dots (or as text while the passwords are shown) and
// edits it in a line edit that echoes dots.
class PasswordDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setRevealed(bool revealed) { m_revealed = revealed; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setEchoMode(m_revealed ? QLineEdit::Normal : QLineEdit::Password);
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QLineEdit*>(editor)->setText(index.data(kPasswordRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), kPasswordRole);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString password = index.data(kPasswordRole).toString();
        option->features |= QStyleOptionViewItem::HasDisplay;
        // A fixed number of dots: the cell does not tell the password's length.
        option->text = m_revealed ? password : QString(password.isEmpty() ? 0 : 8, QChar(0x25CF));
    }

private:
    bool m_revealed = false;
};

} // namespace

LoginAccountsDialog::LoginAccountsDialog(std::shared_ptr<credentials::CredentialStore> store,
                                         std::filesystem::path file, TextLanguage language,
                                         QWidget* parent)
    : QDialog(parent), m_store(std::move(store)), m_file(std::move(file)), m_language(language)
{
    setWindowTitle(title(language));
    setModal(true);

    auto* hint =
        new QLabel(say("登录时先尝试单台摄像机自己的账号，再按顺序尝试下面的账号，直到登录成功。",
                       "At login a camera's own accounts are tried first, then the "
                       "accounts below in order, until one works."));
    hint->setWordWrap(true);

    auto* reveal = new QCheckBox(say("显示密码", "Show passwords"));
    reveal->setObjectName(QStringLiteral("showPasswords"));
    connect(reveal, &QCheckBox::toggled, this, [this](bool shown) {
        for (QTableWidget* table : {m_logins, m_cameras}) {
            if (auto* passwords = dynamic_cast<PasswordDelegate*>(
                    table->itemDelegateForColumn(table->columnCount() - 1)))
                passwords->setRevealed(shown);
            table->viewport()->update();
        }
    });
    auto* place =
        new QLabel(say("保存位置：", "Saved in: ") + QString::fromStdString(m_file.string()));
    place->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(say("确定", "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(say("取消", "Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginAccountsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoginAccountsDialog::reject);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(reveal);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(buildLoginGroup(), 1);
    layout->addWidget(buildCameraGroup(), 1);
    layout->addWidget(place);
    layout->addLayout(bottom);
    resize(600, 560);

    const credentials::CredentialsLoad load = credentials::loadCredentials(m_file, m_language);
    if (load.error.empty()) {
        fill(load.credentials);
    } else {
        m_loadError = fromUtf8(load.error);
        fill(m_store ? m_store->snapshot() : credentials::defaultCredentials());
    }
}

QString LoginAccountsDialog::title(TextLanguage language)
{
    return language == TextLanguage::English ? QStringLiteral("Login accounts")
                                             : QStringLiteral("登录账号");
}

QString LoginAccountsDialog::say(const char* chinese, const char* english) const
{
    return QString::fromUtf8(m_language == TextLanguage::English ? english : chinese);
}

QTableWidget* LoginAccountsDialog::makeTable(const QStringList& headers)
{
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), this);
    table->setHorizontalHeaderLabels(headers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setItemDelegateForColumn(static_cast<int>(headers.size()) - 1,
                                    new PasswordDelegate(table));
    return table;
}

QWidget* LoginAccountsDialog::buildLoginGroup()
{
    m_logins = makeTable({say("用户名", "User name"), say("密码", "Password")});
    m_logins->setObjectName(QStringLiteral("loginTable"));

    auto* buttons = new QVBoxLayout;
    const struct
    {
        const char* name;
        QString text;
        std::function<void()> action;
    } actions[] = {
        {"addLogin", say("添加", "Add"), [this] { addRow(*m_logins); }},
        {"removeLogin", say("删除", "Remove"), [this] { removeRow(*m_logins); }},
        {"moveLoginUp", say("上移", "Move up"), [this] { moveLogin(-1); }},
        {"moveLoginDown", say("下移", "Move down"), [this] { moveLogin(1); }},
    };
    for (const auto& action : actions) {
        auto* button = new QPushButton(action.text);
        button->setObjectName(QString::fromLatin1(action.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, action.action);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);

    auto* group = new QGroupBox(say("依次尝试的账号", "Accounts tried in order"));
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(m_logins, 1);
    layout->addLayout(buttons);
    return group;
}

QWidget* LoginAccountsDialog::buildCameraGroup()
{
    m_cameras = makeTable({say("序列号或IP地址", "Serial number or IP address"),
                           say("用户名", "User name"), say("密码", "Password")});
    m_cameras->setObjectName(QStringLiteral("cameraTable"));
    m_cameras->horizontalHeader()->setSectionResizeMode(kCameraKey, QHeaderView::ResizeToContents);

    auto* add = new QPushButton(say("添加", "Add"));
    add->setObjectName(QStringLiteral("addCamera"));
    auto* remove = new QPushButton(say("删除", "Remove"));
    remove->setObjectName(QStringLiteral("removeCamera"));
    for (QPushButton* button : {add, remove})
        button->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this] { addRow(*m_cameras); });
    connect(remove, &QPushButton::clicked, this, [this] { removeRow(*m_cameras); });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);

    auto* group = new QGroupBox(say("单台摄像机的账号", "Accounts of single cameras"));
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(m_cameras, 1);
    layout->addLayout(buttons);
    return group;
}

int LoginAccountsDialog::appendRow(QTableWidget& table)
{
    const int row = table.rowCount();
    table.insertRow(row);
    for (int column = 0; column < table.columnCount(); ++column)
        table.setItem(row, column, new QTableWidgetItem);
    return row;
}

void LoginAccountsDialog::setPassword(QTableWidget& table, int row, int column,
                                      const QString& password)
{
    table.item(row, column)->setData(kPasswordRole, password);
}

void LoginAccountsDialog::fill(const SiteCredentials& credentials)
{
    for (const LoginPair& pair : credentials.pairs) {
        const int row = appendRow(*m_logins);
        m_logins->item(row, kLoginUser)->setText(fromUtf8(pair.user));
        setPassword(*m_logins, row, kLoginPassword, fromUtf8(pair.password));
    }
    for (const CameraLogin& camera : credentials.cameras) {
        const int row = appendRow(*m_cameras);
        m_cameras->item(row, kCameraKey)
            ->setText(fromUtf8(camera.serial.empty() ? camera.address : camera.serial));
        m_cameras->item(row, kCameraUser)->setText(fromUtf8(camera.login.user));
        setPassword(*m_cameras, row, kCameraPassword, fromUtf8(camera.login.password));
    }
}

void LoginAccountsDialog::addRow(QTableWidget& table)
{
    const int row = appendRow(table);
    table.setCurrentCell(row, 0);
    table.editItem(table.item(row, 0));
}

void LoginAccountsDialog::removeRow(QTableWidget& table)
{
    const int row = table.currentRow();
    if (row >= 0)
        table.removeRow(row);
}

void LoginAccountsDialog::moveLogin(int step)
{
    const int row = m_logins->currentRow();
    const int other = row + step;
    if (row < 0 || other < 0 || other >= m_logins->rowCount())
        return;
    for (int column = 0; column < m_logins->columnCount(); ++column) {
        QTableWidgetItem* moving = m_logins->takeItem(row, column);
        m_logins->setItem(row, column, m_logins->takeItem(other, column));
        m_logins->setItem(other, column, moving);
    }
    m_logins->setCurrentCell(other, m_logins->currentColumn());
}

void LoginAccountsDialog::refuseCell(QTableWidget& table, int row, int column,
                                     const QString& message)
{
    table.setCurrentCell(row, column);
    table.scrollToItem(table.item(row, column));
    table.setFocus();
    QMessageBox::warning(this, windowTitle(), message);
}

bool LoginAccountsDialog::collect(SiteCredentials& credentials)
{
    // A cell that was never edited has no item text; trimmed names, exact passwords.
    auto text = [](QTableWidget& table, int row, int column) {
        return table.item(row, column)->text().trimmed();
    };
    auto password = [](QTableWidget& table, int row, int column) {
        return utf8(table.item(row, column)->data(kPasswordRole).toString());
    };
    for (int row = 0; row < m_logins->rowCount(); ++row) {
        const QString user = text(*m_logins, row, kLoginUser);
        if (user.isEmpty()) {
            refuseCell(*m_logins, row, kLoginUser,
                       say("“依次尝试的账号”第 %1 行没有用户名。",
                           "Accounts tried in order, row %1: the user name is empty.")
                           .arg(row + 1));
            return false;
        }
        credentials.pairs.push_back(
            LoginPair{utf8(user), password(*m_logins, row, kLoginPassword)});
    }
    for (int row = 0; row < m_cameras->rowCount(); ++row) {
        const QString key = text(*m_cameras, row, kCameraKey);
        const QString user = text(*m_cameras, row, kCameraUser);
        QString problem;
        int column = kCameraKey;
        if (key.isEmpty()) {
            problem = say("“单台摄像机的账号”第 %1 行没有填写序列号或IP地址。",
                          "Accounts of single cameras, row %1: enter the camera's serial number "
                          "or IP address.");
        } else if (meantAsAddress(key) && !credentials::isDottedIPv4(utf8(key))) {
            problem = say("“单台摄像机的账号”第 %1 行的“%2”不是有效的IP地址（例如 192.168.1.64）。",
                          "Accounts of single cameras, row %1: \"%2\" is not a valid IP address "
                          "(such as 192.168.1.64).");
        } else if (hasSpace(key)) {
            problem = say("“单台摄像机的账号”第 %1 行的序列号“%2”含有空格。",
                          "Accounts of single cameras, row %1: the serial number \"%2\" contains "
                          "spaces.");
        } else if (user.isEmpty()) {
            problem = say("“单台摄像机的账号”第 %1 行没有用户名。",
                          "Accounts of single cameras, row %1: the user name is empty.");
            column = kCameraUser;
        }
        if (!problem.isEmpty()) {
            refuseCell(*m_cameras, row, column,
                       problem.arg(QString::number(row + 1), key.left(40)));
            return false;
        }
        CameraLogin camera;
        (meantAsAddress(key) ? camera.address : camera.serial) = utf8(key);
        camera.login = LoginPair{utf8(user), password(*m_cameras, row, kCameraPassword)};
        credentials.cameras.push_back(std::move(camera));
    }
    return true;
}

bool LoginAccountsDialog::confirmReplacingUnreadableFile()
{
    // Looked at again now: the file may have changed since the window opened.
    const credentials::CredentialsLoad onDisk = credentials::loadCredentials(m_file, m_language);
    if (onDisk.error.empty())
        return true;
    const QString question =
        say("登录账号文件现在无法使用：\n%1\n\n要用这里的账号替换它吗？文件中原有的内容将会丢失。",
            "The login accounts file cannot be used now:\n%1\n\nReplace it with the accounts "
            "shown here? What the file holds now will be lost.")
            .arg(fromUtf8(onDisk.error));
    QMessageBox box(QMessageBox::Warning, windowTitle(), question,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(say("替换", "Replace"));
    box.button(QMessageBox::No)->setText(say("不替换", "Keep the file"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void LoginAccountsDialog::accept()
{
    // An edit still open in a cell counts: the editor's text is stored first.
    for (QTableWidget* table : {m_logins, m_cameras}) {
        const QModelIndex current = table->currentIndex();
        if (QWidget* editor = table->indexWidget(current))
            emit table->itemDelegateForIndex(current)->commitData(editor);
    }
    SiteCredentials credentials;
    if (!collect(credentials) || !confirmReplacingUnreadableFile())
        return;
    std::string error;
    if (!credentials::saveCredentials(m_file, credentials, error, m_language)) {
        QMessageBox::warning(this, windowTitle(), fromUtf8(error));
        return;
    }
    if (m_store)
        m_store->replace(credentials::withDefaultPairs(std::move(credentials)));
    QDialog::accept();
}

void LoginAccountsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loadError.isEmpty() && !m_loadErrorShown) {
        m_loadErrorShown = true;
        // After the window is on screen, so the box stands in front of it.
        QTimer::singleShot(0, this, &LoginAccountsDialog::showLoadError);
    }
}

void LoginAccountsDialog::showLoadError()
{
    QMessageBox::warning(
        this, windowTitle(),
        m_loadError + QStringLiteral("\n\n") +
            say("下面显示的是程序正在使用的账号。按“确定”保存时，会先征得您的同意再替换该文件。",
                "Shown here are the accounts the program is using. OK asks you before it "
                "replaces the file."));
}

} // namespace vexlo
