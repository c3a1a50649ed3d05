#include "settings/other_set_tree_dlg.h"

#include "platform/ui_port.h"
#include "settings/other_set_dlg.h"
#include "settings/page_table.h"
#include "settings/settings_page.h"

namespace vexlo {

COtherSetTreeDlg::COtherSetTreeDlg(COtherSetDlg& owner, UiPort& ui) : m_owner(owner), m_ui(ui)
{
    m_model.add(kTreeId, ControlKind::List);
}

void COtherSetTreeDlg::onInitDialog()
{
    m_itemHeight = kItemHeight;
    m_items.clear();
    m_selected = -1;
    // Count first so the vector never reallocates: the records' addresses are
    // handed out in WM_SHOW_PAGE.
    std::size_t count = 0;
    PageText group;
    for (const SettingsPageEntry& entry : settingsPages()) {
        count += entry.group != group ? 2 : 1;
        group = entry.group;
    }
    m_items.reserve(count);
    group = {};
    int groupItem = -1;
    for (const SettingsPageEntry& entry : settingsPages()) {
        if (entry.group != group) {
            group = entry.group;
            groupItem = static_cast<int>(m_items.size());
            // Only the network group starts open.
            m_items.push_back(TreeItem{{}, group, -1, groupItem == 0, TreeItemRecord{0, 0, -1}});
        }
        m_items.push_back(
            TreeItem{{}, entry.treeLabel, groupItem, false, TreeItemRecord{1, 1, entry.index}});
    }
    applyLanguage();
    userSelectItem(findPage(0));
}

void COtherSetTreeDlg::applyLanguage()
{
    for (TreeItem& item : m_items)
        item.label = textOf(item.name, m_owner.language());
}

int COtherSetTreeDlg::findItem(std::u16string_view label) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].label == label)
            return static_cast<int>(i);
    return -1;
}

int COtherSetTreeDlg::findPage(int pageIndex) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].record.selectable && m_items[i].record.pageIndex == pageIndex)
            return static_cast<int>(i);
    return -1;
}

long COtherSetTreeDlg::userSelectItem(int item)
{
    if (item < 0 || item >= static_cast<int>(m_items.size()) || item == m_selected)
        return 0;
    m_selected = item;
    onSelectionChanged();
    return 0;
}

void COtherSetTreeDlg::userSetExpanded(int item, bool expanded)
{
    if (item >= 0 && item < static_cast<int>(m_items.size()) && m_items[item].parent < 0)
        m_items[item].expanded = expanded;
}

void COtherSetTreeDlg::onSelectionChanged()
{
    const TreeItemRecord& record = m_items[static_cast<std::size_t>(m_selected)].record;
    if (!record.selectable || record.pageIndex < 0 || record.pageIndex >= kSettingsPageCount)
        return;
    m_owner.setCurrentPageIndex(record.pageIndex);
    m_ui.post(UiMessage{COtherSetDlg::WM_SHOW_PAGE, reinterpret_cast<WPARAM>(&record), 0, {}});
}

bool COtherSetTreeDlg::swallowsKey(int key) const
{
    return key == kEscapeKey;
}

} // namespace vexlo
