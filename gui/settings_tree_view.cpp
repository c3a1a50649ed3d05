#include "gui/settings_tree_view.h"

#include "settings/other_set_tree_dlg.h"

#include <QHeaderView>

namespace vexlo {
namespace {

constexpr int kTreeIndexRole = Qt::UserRole;

} // namespace

SettingsTreeView::SettingsTreeView(COtherSetTreeDlg& tree, QWidget* parent)
    : QTreeWidget(parent), m_tree(tree)
{
    setObjectName(QStringLiteral("control%1").arg(COtherSetTreeDlg::kTreeId));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);

    m_drawing = true;
    const std::vector<TreeItem>& items = m_tree.items();
    m_items.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TreeItem& item = items[i];
        QTreeWidgetItem* parentItem = item.parent >= 0 && item.parent < static_cast<int>(i)
                                          ? m_items[static_cast<std::size_t>(item.parent)]
                                          : nullptr;
        auto* viewItem = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        viewItem->setText(0, QString::fromStdU16String(item.label));
        viewItem->setData(0, kTreeIndexRole, static_cast<int>(i));
        // A hint with a negative width counts as none; the width is the column's anyway.
        viewItem->setSizeHint(0, QSize(0, m_tree.itemHeight() > 0 ? m_tree.itemHeight()
                                                                  : COtherSetTreeDlg::kItemHeight));
        m_items.push_back(viewItem);
    }
    m_drawing = false;

    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { onCurrentItemChanged(current); });
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { onExpandedChanged(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* item) { onExpandedChanged(item, false); });
    refresh();
}

QTreeWidgetItem* SettingsTreeView::itemAt(int treeItem) const
{
    if (treeItem < 0 || treeItem >= static_cast<int>(m_items.size()))
        return nullptr;
    return m_items[static_cast<std::size_t>(treeItem)];
}

int SettingsTreeView::treeIndexOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kTreeIndexRole).toInt() : -1;
}

void SettingsTreeView::refresh()
{
    // Drawing the logic's state is not the user: no signal may report back.
    m_drawing = true;
    const std::vector<TreeItem>& items = m_tree.items();
    for (std::size_t i = 0; i < items.size() && i < m_items.size(); ++i)
        if (items[i].parent < 0)
            m_items[i]->setExpanded(items[i].expanded);
    QTreeWidgetItem* selected = itemAt(m_tree.selectedItem());
    if (currentItem() != selected)
        setCurrentItem(selected);
    m_drawing = false;
}

void SettingsTreeView::onCurrentItemChanged(QTreeWidgetItem* current)
{
    if (m_drawing || !current)
        return;
    m_tree.userSelectItem(treeIndexOf(current));
}

void SettingsTreeView::onExpandedChanged(QTreeWidgetItem* item, bool expanded)
{
    if (m_drawing)
        return;
    m_tree.userSetExpanded(treeIndexOf(item), expanded);
}

} // namespace vexlo
