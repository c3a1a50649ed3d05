#pragma once

#include <QTreeWidget>

// The settings window's page tree on Qt, fed from COtherSetTreeDlg: its groups
// and pages, which groups are open and which item is selected. The user's
// selection and opening or closing of a group go to the tree's logic; refresh()
// draws the logic's state again.
namespace vexlo {

class COtherSetTreeDlg;

class SettingsTreeView : public QTreeWidget
{
public:
    explicit SettingsTreeView(COtherSetTreeDlg& tree, QWidget* parent = nullptr);

    void refresh();
    // The view's item for a tree item index; nullptr when there is none.
    QTreeWidgetItem* itemAt(int treeItem) const;

private:
    void onCurrentItemChanged(QTreeWidgetItem* current);
    void onExpandedChanged(QTreeWidgetItem* item, bool expanded);
    static int treeIndexOf(const QTreeWidgetItem* item);

    COtherSetTreeDlg& m_tree;
    std::vector<QTreeWidgetItem*> m_items; // by tree item index
    bool m_drawing = false;
};

} // namespace vexlo
