#include "gui/settings_window.h"

#include "gui/settings_page_view.h"
#include "gui/settings_tree_view.h"
#include "gui/virtual_keys.h"
#include "settings/other_set_dlg.h"
#include "settings/page_table.h"
#include "settings/settings_page.h"

#include <QApplication>

namespace vexlo {
namespace {

// The tree sits where its dialog template puts it: at (7, 7) sized 108 × 314
// dialog units, at 6 × 13 pixels per 4 × 8 units.
const QRect kTreeRect(7 * 6 / 4, 7 * 13 / 8, 108 * 6 / 4, 314 * 13 / 8);

} // namespace

SettingsWindow::SettingsWindow(COtherSetDlg& dialog, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_dialog(dialog), m_language(dialog.language())
{
    setObjectName(QStringLiteral("settingsWindow"));
    setModal(false);
    setWindowTitle(QString::fromStdU16String(m_dialog.title()));
    setFixedSize(COtherSetDlg::kClientWidth, COtherSetDlg::kClientHeight);

    m_treeView = new SettingsTreeView(m_dialog.tree(), this);
    m_treeView->setGeometry(kTreeRect);

    const PageRect rect = m_dialog.pageRect();
    for (const SettingsPageEntry& entry : settingsPages()) {
        auto* view = new SettingsPageView(m_dialog.page(entry.index), entry.regionGrid, this);
        view->setObjectName(QStringLiteral("page%1").arg(entry.index));
        view->setGeometry(rect.left, rect.top, rect.width, rect.height);
        m_pageViews.push_back(view);
    }
    // Escape is looked at before any child of this window sees it.
    qApp->installEventFilter(this);
    refresh();
}

SettingsWindow::~SettingsWindow()
{
    qApp->removeEventFilter(this);
}

SettingsPageView* SettingsWindow::pageView(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_pageViews.size()))
        return nullptr;
    return m_pageViews[static_cast<std::size_t>(index)];
}

void SettingsWindow::refresh()
{
    m_treeView->refresh();
    for (SettingsPageView* view : m_pageViews)
        view->setVisible(view->page().visible());
}

void SettingsWindow::reject()
{
    m_dialog.onClose();
    hide();
    setResult(QDialog::Rejected);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (const int key = virtualKeyForWindow(this, watched, event);
        key != 0 && m_dialog.swallowsKey(key))
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace vexlo
