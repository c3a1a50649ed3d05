#include "settings_fixture.h"

#include "settings/page_table.h"
#include "settings/settings_page.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vexlo::test {
namespace {

using WindowTest = SettingsFixture;

TEST_F(WindowTest, TreeStartsWithTheNetworkGroupOpenAndEthernetSelected)
{
    const COtherSetTreeDlg& tree = window->tree();
    ASSERT_EQ(tree.items().size(), 19u) << "four groups and fifteen pages";
    EXPECT_EQ(tree.itemHeight(), 29);

    const char16_t* groups[] = {u"网络参数", u"媒体设置", u"告警设置", u"系统设置"};
    for (const char16_t* group : groups) {
        const int item = tree.findItem(group);
        ASSERT_GE(item, 0);
        const TreeItem& g = tree.items()[static_cast<std::size_t>(item)];
        EXPECT_EQ(g.parent, -1);
        EXPECT_EQ(g.expanded, std::u16string_view(group) == u"网络参数");
        EXPECT_EQ(g.record.level, 0);
        EXPECT_EQ(g.record.selectable, 0);
        EXPECT_EQ(g.record.pageIndex, -1);
    }
    EXPECT_EQ(tree.selectedItem(), tree.findItem(u"网络设置"));
    EXPECT_EQ(window->currentPageIndex(), 0);
    EXPECT_EQ(window->shownPage(), 0);
}

TEST_F(WindowTest, TreeListsThePagesUnderTheirGroupsInTableOrder)
{
    const auto& items = window->tree().items();
    int page = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].parent < 0)
            continue;
        const SettingsPageEntry& entry = settingsPages()[static_cast<std::size_t>(page)];
        EXPECT_EQ(items[i].label, entry.treeLabel.chinese);
        EXPECT_EQ(items[i].record.pageIndex, page);
        EXPECT_EQ(items[i].record.level, 1);
        EXPECT_EQ(items[static_cast<std::size_t>(items[i].parent)].label, entry.group.chinese);
        ++page;
    }
    EXPECT_EQ(page, 15);
    EXPECT_EQ(settingsPages()[10].className, "CWarningMotionDlg");
    EXPECT_EQ(settingsPages()[10].templateId, 144);
    EXPECT_EQ(settingsPages()[1].className, "CNetworkCloundDlg");
}

TEST_F(WindowTest, ChoosingAPageShowsItThroughShowPage)
{
    COtherSetTreeDlg& tree = window->tree();
    EXPECT_EQ(tree.userSelectItem(tree.findItem(u"FTP帐号设置")), 0);
    EXPECT_EQ(window->currentPageIndex(), 2);
    ASSERT_EQ(ui.posted.size(), 1u);
    EXPECT_EQ(ui.posted[0].message, COtherSetDlg::WM_SHOW_PAGE);
    EXPECT_EQ(ui.posted[0].lParam, 0);
    const auto* record = reinterpret_cast<const TreeItemRecord*>(ui.posted[0].wParam);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->pageIndex, 2);

    EXPECT_EQ(window->shownPage(), 0) << "nothing changes before the message is handled";
    deliverPosted();
    EXPECT_EQ(window->shownPage(), 2);
    int shown = 0;
    for (int index = 0; index < 15; ++index)
        shown += window->page(index).visible() ? 1 : 0;
    EXPECT_EQ(shown, 1);
}

TEST_F(WindowTest, ChoosingAGroupChangesNothing)
{
    COtherSetTreeDlg& tree = window->tree();
    tree.userSelectItem(tree.findItem(u"音频编码"));
    deliverPosted();
    tree.userSelectItem(tree.findItem(u"媒体设置"));
    EXPECT_TRUE(ui.posted.empty());
    EXPECT_EQ(window->currentPageIndex(), 9);
    EXPECT_EQ(window->shownPage(), 9);
}

TEST_F(WindowTest, ClosingOnlyHidesAndKeepsPageSelectionAndEdits)
{
    window->show();
    COtherSetTreeDlg& tree = window->tree();
    tree.userSelectItem(tree.findItem(u"定时维护"));
    deliverPosted();
    window->page(13).model().userSelect(1205, 3);
    const int selected = tree.selectedItem();

    window->onClose();
    EXPECT_FALSE(window->visible());
    window->show();

    EXPECT_TRUE(window->visible());
    EXPECT_EQ(window->shownPage(), 13);
    EXPECT_EQ(tree.selectedItem(), selected);
    EXPECT_EQ(window->page(13).model().selection(1205), 3);
    EXPECT_EQ(profile.maintain.day, 3);
}

TEST_F(WindowTest, PagesSitRightOfTheTree)
{
    EXPECT_EQ(window->pageRect(), (PageRect{200, 0, 600, 500}));
    EXPECT_EQ(window->title(), u"其它设置");
}

TEST_F(WindowTest, UnknownPageIndexesAreRefused)
{
    EXPECT_THROW(window->page(15), std::out_of_range);
    EXPECT_THROW(window->page(-1), std::out_of_range);
    window->setCurrentPageIndex(42);
    window->onMessage(UiMessage{COtherSetDlg::WM_SHOW_PAGE, 0, 0, {}});
    EXPECT_EQ(window->shownPage(), -1) << "every page hidden, none shown";
    EXPECT_EQ(window->tree().userSelectItem(1000), 0);
}

} // namespace
} // namespace vexlo::test
