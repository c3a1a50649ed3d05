#include "platform/dialog_model.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace vexlo {
namespace {

class DialogModelTest : public ::testing::Test
{
protected:
    DialogModelTest()
    {
        model.add(1059, ControlKind::CheckBox, u"搜索");
        model.add(1020, ControlKind::ComboBox);
        model.add(1005, ControlKind::Edit);
        model.add(1014, ControlKind::PushButton, u"执行");
        model.setItems(1020, {u"1", u"2", u"3"});
        model.setHandler([this](int id, ControlEvent event) { events.emplace_back(id, event); });
        model.setObserver([this](int id) { redrawn.push_back(id); });
    }

    DialogModel model;
    std::vector<std::pair<int, ControlEvent>> events;
    std::vector<int> redrawn;
};

TEST_F(DialogModelTest, UserClickTogglesACheckBoxBeforeTheHandlerRuns)
{
    model.setHandler([this](int id, ControlEvent) { EXPECT_TRUE(model.checked(id)); });
    model.userClick(1059);
    EXPECT_TRUE(model.checked(1059));
    EXPECT_EQ(redrawn, std::vector<int>{1059});
}

TEST_F(DialogModelTest, DisabledOrHiddenControlsIgnoreTheUser)
{
    model.setEnabled(1014, false);
    model.userClick(1014);
    model.setVisible(1059, false);
    model.userClick(1059);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(model.checked(1059));
    model.userClick(4242); // unknown controls too
    EXPECT_TRUE(events.empty());
}

TEST_F(DialogModelTest, SelectionOutsideTheItemsSelectsNothing)
{
    model.userSelect(1020, 2);
    EXPECT_EQ(model.selectedText(1020), u"3");
    model.setSelection(1020, 7);
    EXPECT_EQ(model.selection(1020), -1);
    EXPECT_EQ(model.selectedText(1020), u"");
    model.setItems(1020, {u"only"});
    EXPECT_EQ(model.selection(1020), -1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], std::make_pair(1020, ControlEvent::SelectionChanged));
}

TEST_F(DialogModelTest, ObserverHearsOnlyRealChanges)
{
    model.setText(1005, u"");
    model.setEnabled(1005, true);
    EXPECT_TRUE(redrawn.empty());
    model.userEditText(1005, u"/tmp/fw.bin");
    EXPECT_EQ(model.text(1005), u"/tmp/fw.bin");
    EXPECT_EQ(redrawn, std::vector<int>{1005});
    EXPECT_EQ(events.back(), std::make_pair(1005, ControlEvent::TextChanged));
}

TEST_F(DialogModelTest, ControlsKeepTheirLayoutOrderAndIdsAreUnique)
{
    EXPECT_EQ(model.ids(), (std::vector<int>{1059, 1020, 1005, 1014}));
    EXPECT_THROW(model.add(1014, ControlKind::Label), std::logic_error);
    EXPECT_THROW(model.control(9999), std::out_of_range);
}

} // namespace
} // namespace vexlo
