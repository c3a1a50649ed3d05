#pragma once

#include "platform/dialog_model.h"
#include "settings/page_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The tree of page names on the left of the settings window: four groups with
// their pages below them, built from the page table. Choosing a page makes it
// the window's current page and posts WM_SHOW_PAGE; choosing a group changes
// nothing.
namespace vexlo {

class COtherSetDlg;
class UiPort;

// The record every tree item carries; its address travels in WM_SHOW_PAGE.
struct TreeItemRecord
{
    std::int32_t level = 0;      // 0 group, 1 page
    std::int32_t selectable = 0; // 0 group, 1 page
    std::int32_t pageIndex = -1; // -1 for a group
};

struct TreeItem
{
    std::u16string label; // `name` in the window's language
    PageText name;
    int parent = -1; // the group's item, -1 for a group
    bool expanded = false;
    TreeItemRecord record;
};

class COtherSetTreeDlg
{
public:
    static constexpr int kTemplateId = 133;
    static constexpr int kTreeId = 1074;
    static constexpr int kItemHeight = 29;

    COtherSetTreeDlg(COtherSetDlg& owner, UiPort& ui);

    // Fills the tree in the window's language, expands "网络参数" only and
    // selects "网络设置".
    void onInitDialog();
    // Labels every item again in the window's language.
    void applyLanguage();

    DialogModel& model() { return m_model; }
    const std::vector<TreeItem>& items() const { return m_items; }
    int findItem(std::u16string_view label) const; // by the label shown; -1 when absent
    int findPage(int pageIndex) const;             // the item of a page; -1 when absent
    int selectedItem() const { return m_selected; }
    int itemHeight() const { return m_itemHeight; }

    // The user selects an item (the tree's selection-changed notification).
    // Returns the notification's result, 0. An unknown item is ignored.
    long userSelectItem(int item);
    // The user opens or closes a group.
    void userSetExpanded(int item, bool expanded);

    bool swallowsKey(int key) const;

private:
    void onSelectionChanged();

    COtherSetDlg& m_owner;
    UiPort& m_ui;
    DialogModel m_model;
    std::vector<TreeItem> m_items; // filled once; records keep their addresses
    int m_selected = -1;
    int m_itemHeight = 0;
};

} // namespace vexlo
