#include "gui/main_window_view.h"

#include "app/main_controls.h"
#include "app/main_window.h"
#include "devices/list_report.h"
#include "engine/text_table.h"
#include "gui/control_binder.h"
#include "gui/device_list_model.h"
#include "gui/device_list_view.h"
#include "gui/login_accounts_dialog.h"
#include "gui/scan_ranges_dialog.h"
#include "gui/virtual_keys.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QVBoxLayout>

namespace vexlo {
namespace {

constexpr int kDialogWidthUnits = 703;
constexpr int kDialogHeightUnits = 347;

credentials::TextLanguage textLanguage(const CVexloDlg& dialog)
{
    return dialog.language() == kLanguageEnglish ? credentials::TextLanguage::English
                                                 : credentials::TextLanguage::Chinese;
}

} // namespace

MainWindowView::MainWindowView(CVexloDlg& dialog, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_dialog(dialog)
{
    setWindowTitle(QString::fromStdU16String(std::u16string(kMainWindowTitle)));
    m_binder = new ControlBinder(m_dialog.model(), this);
    m_listModel = new DeviceListModel(m_dialog.deviceList(), this);
    m_listView = new DeviceListView(*m_listModel, this);
    m_listView->setObjectName(QStringLiteral("control%1").arg(ctl::DeviceList));
    // A right click on a check box is a check-box click; elsewhere in the list
    // it opens the list's own menu, never the system menu.
    m_listView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!m_listView->isOnCheckBox(at))
            showListMenu(m_listView->viewport()->mapToGlobal(at));
    });
    m_listView->setCheckBoxClickHandler(
        [this](int row) { return m_dialog.onListCheckBoxClick(row); });
    m_listView->setHeaderClickHandler([this](int column) { m_dialog.onListHeaderClick(column); });
    m_listView->setDoubleClickHandler([this](int row) { m_dialog.onListDoubleClick(row); });
    m_binder->setAfterUserAction([this] { refresh(); });
    buildLayout();
    resize(dialogUnits(kDialogWidthUnits, kDialogHeightUnits));

    auto* systemMenu = new QShortcut(QKeySequence(QStringLiteral("Alt+Space")), this);
    connect(systemMenu, &QShortcut::activated, this,
            [this] { showSystemMenu(mapToGlobal(QPoint(0, 0))); });
    // Escape is looked at before any child sees it (see eventFilter).
    qApp->installEventFilter(this);
}

MainWindowView::~MainWindowView()
{
    qApp->removeEventFilter(this);
}

QSize MainWindowView::dialogUnits(int width, int height) const
{
    // A dialog unit is a quarter of the font's average character width and an
    // eighth of its height.
    const QFontMetrics metrics(font());
    const double averageWidth = metrics.horizontalAdvance(QStringLiteral(
                                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                                52.0;
    return QSize(static_cast<int>(width * averageWidth / 4.0 + 0.5),
                 static_cast<int>(height * metrics.height() / 8.0 + 0.5));
}

void MainWindowView::buildLayout()
{
    ControlBinder& b = *m_binder;
    auto group = [&](int id) { return b.widgetAs<QGroupBox>(id); };

    // Device list and the counts row.
    auto* counts = new QHBoxLayout;
    for (const int id : {ctl::TotalLabel, ctl::TotalCount, ctl::TickedLabel, ctl::TickedCount,
                         ctl::ExpectedCountLabel, ctl::ExpectedCountCombo, ctl::SuccessLabel,
                         ctl::SuccessCount, ctl::FailureLabel, ctl::FailureCount}) {
        counts->addWidget(b.widget(id));
        if (id == ctl::TotalCount || id == ctl::TickedCount || id == ctl::ExpectedCountCombo ||
            id == ctl::SuccessCount)
            counts->addSpacing(16);
    }
    for (const int id : {ctl::TotalCount, ctl::TickedCount, ctl::SuccessCount, ctl::FailureCount})
        b.widget(id)->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    b.widgetAs<QComboBox>(ctl::ExpectedCountCombo)->setMaxVisibleItems(20);
    counts->addStretch(1);
    counts->addWidget(b.widget(ctl::TickAllButton));
    counts->addWidget(b.widget(ctl::InvertButton));
    auto* devices = new QVBoxLayout(group(ctl::DeviceGroup));
    devices->addWidget(m_listView, 1);
    devices->addLayout(counts);

    // Firmware row.
    auto* firmware = new QHBoxLayout(group(ctl::FirmwareGroup));
    firmware->addWidget(b.widget(ctl::FirmwareLabel));
    firmware->addWidget(b.widget(ctl::FirmwarePath), 1);
    firmware->addWidget(b.widget(ctl::BrowseButton));

    // Instruction panel: the ten ticks in their order, then timeout and buttons.
    auto* ticks = new QHBoxLayout;
    for (const int id : {ctl::SearchTick, ctl::ModifyIpTick, ctl::UpgradeTick, ctl::SyncTimeTick,
                         ctl::FormatSd1Tick, ctl::FormatSd2Tick, ctl::FormatUsbTick,
                         ctl::RestoreTick, ctl::RebootTick, ctl::OtherSettingsTick})
        ticks->addWidget(b.widget(id));
    ticks->addStretch(1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(b.widget(ctl::FormatTimeoutLabel));
    actions->addWidget(b.widget(ctl::FormatTimeoutCombo));
    actions->addStretch(1);
    for (const int id :
         {ctl::ExecuteButton, ctl::SetIpButton, ctl::OtherSettingsButton, ctl::PlayTickedButton})
        actions->addWidget(b.widget(id));
    auto* instructions = new QVBoxLayout(group(ctl::InstructionGroup));
    instructions->addLayout(ticks);
    instructions->addLayout(actions);

    // Current-action line.
    auto* status = new QHBoxLayout(group(ctl::StatusGroup));
    status->addWidget(b.widget(ctl::CurrentActionLabel));
    status->addWidget(b.widget(ctl::CurrentAction), 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group(ctl::DeviceGroup), 1);
    layout->addWidget(group(ctl::FirmwareGroup));
    layout->addWidget(group(ctl::InstructionGroup));
    layout->addWidget(group(ctl::StatusGroup));
    // The hidden controls (1002, 1003, 1022, 1029..1035, 1063, 1064) stay
    // children of the window outside the layout; the binder keeps them hidden.
}

void MainWindowView::refresh()
{
    m_listView->refresh();
}

void MainWindowView::showSystemMenu(const QPoint& globalPosition)
{
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromStdU16String(std::u16string(kAboutMenuText)));
    connect(about, &QAction::triggered, this,
            [this] { m_dialog.onSystemCommand(CVexloDlg::kAboutCommand); });
    QAction* accounts = menu.addAction(LoginAccountsDialog::title(textLanguage(m_dialog)));
    accounts->setEnabled(m_credentialStore != nullptr);
    connect(accounts, &QAction::triggered, this, [this] { openLoginAccounts(); });
    QAction* scan = menu.addAction(ScanRangesDialog::title(textLanguage(m_dialog)));
    scan->setEnabled(m_scanTargets != nullptr);
    connect(scan, &QAction::triggered, this, [this] { openScanRanges(); });
    menu.exec(globalPosition);
}

void MainWindowView::setScanTargets(std::shared_ptr<ScanTargets> targets, bool loopbackOnly)
{
    m_scanTargets = std::move(targets);
    m_scanLoopbackOnly = loopbackOnly;
}

void MainWindowView::openScanRanges()
{
    if (!m_scanTargets)
        return;
    ScanRangesDialog window(m_scanTargets, m_scanLoopbackOnly, textLanguage(m_dialog), this);
    window.exec();
}

void MainWindowView::setCredentials(std::shared_ptr<credentials::CredentialStore> store,
                                    std::filesystem::path file)
{
    m_credentialStore = std::move(store);
    m_credentialsFile = std::move(file);
}

void MainWindowView::openLoginAccounts()
{
    if (!m_credentialStore)
        return;
    LoginAccountsDialog window(m_credentialStore, m_credentialsFile, textLanguage(m_dialog), this);
    window.exec();
}

void MainWindowView::showListMenu(const QPoint& globalPosition)
{
    const bool english = textLanguage(m_dialog) == credentials::TextLanguage::English;
    QMenu menu(this);
    QAction* save =
        menu.addAction(english ? QStringLiteral("Export list") : QStringLiteral("导出列表"));
    connect(save, &QAction::triggered, this, [this] { exportList(); });
    menu.exec(globalPosition);
}

void MainWindowView::exportList()
{
    const bool english = textLanguage(m_dialog) == credentials::TextLanguage::English;
    const QString suggested = QDir::home().filePath(QDateTime::currentDateTime().toString(
        QStringLiteral("'vexlo-report-'yyyyMMdd-HHmmss'.csv'")));
    QString file = QFileDialog::getSaveFileName(
        this, english ? QStringLiteral("Export list") : QStringLiteral("导出列表"), suggested,
        english ? QStringLiteral("CSV files (*.csv)") : QStringLiteral("CSV 文件 (*.csv)"));
    if (file.isEmpty())
        return; // cancelled
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".csv");
    const QString error = exportListTo(file);
    if (!error.isEmpty())
        QMessageBox::warning(this, windowTitle(), error);
}

QString MainWindowView::exportListTo(const QString& file)
{
    const int language = textLanguage(m_dialog) == credentials::TextLanguage::English ? 1 : 0;
    const std::string error =
        writeListReport(m_dialog.deviceList(), std::filesystem::path(file.toStdString()), language);
    return QString::fromStdString(error);
}

void MainWindowView::contextMenuEvent(QContextMenuEvent* event)
{
    showSystemMenu(event->globalPos());
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event)
{
    if (const int key = virtualKeyForWindow(this, watched, event);
        key != 0 && m_dialog.swallowsKey(key))
        return true;
    return QWidget::eventFilter(watched, event);
}

void MainWindowView::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        m_dialog.onClose();
    }
    event->accept();
}

} // namespace vexlo
