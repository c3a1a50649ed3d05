#include "settings_fixture.h"

#include "settings/warning_block.h"
#include "settings/warning_motion_dlg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace vexlo::test {
namespace {

using GridTest = SettingsFixture;

constexpr int kGridList = CWarningMotionDlg::kGridSizeId;

TEST_F(GridTest, EmptyUntilTheFirstLayout)
{
    WarningBlock& grid = window->motionPage().grid();
    EXPECT_EQ(grid.cellCount(), 0);
    const auto commands = grid.paint();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], (DrawCommand{DrawCommand::Kind::FillRect, 0, 0, 250, 220, kGridBlack}));
    EXPECT_FALSE(grid.onLButtonDown(40, 40));
}

TEST_F(GridTest, FourByFourCellsInTheControlsClientArea)
{
    window->motionPage().model().userSelect(kGridList, 0);
    EXPECT_EQ(profile.motion.gridSize, 0);
    const WarningBlock& grid = window->motionPage().grid();
    EXPECT_EQ(grid.cellCount(), 16);
    EXPECT_FLOAT_EQ(grid.cellWidth(), 62.5f);
    EXPECT_FLOAT_EQ(grid.cellHeight(), 55.0f);
    EXPECT_EQ(grid.cellRect(0), (GridRect{1, 1, 61, 54}));
    EXPECT_EQ(grid.cellRect(1).left, 63);
    EXPECT_EQ(grid.cellRect(1).right, 123);
    EXPECT_EQ(grid.cellRect(4).top, 56);
    EXPECT_EQ(grid.cellRect(4).bottom, 109);
    EXPECT_EQ(grid.cellRect(16), GridRect{}) << "cells beyond the count are zero";
}

TEST_F(GridTest, FourByThreeKeepsFractionalCellsUntilTruncation)
{
    window->motionPage().model().userSelect(kGridList, 1);
    const WarningBlock& grid = window->motionPage().grid();
    EXPECT_EQ(grid.cellCount(), 12);
    EXPECT_FLOAT_EQ(grid.cellWidth(), 62.5f);
    EXPECT_FLOAT_EQ(grid.cellHeight(), 220.0f / 3.0f);
    EXPECT_EQ(grid.cellRect(4), (GridRect{1, 74, 61, 145}));
    EXPECT_EQ(grid.cellRect(8).top, 147);
}

TEST_F(GridTest, ClickInACellTogglesItsMaskByte)
{
    window->motionPage().model().userSelect(kGridList, 0);
    WarningBlock& grid = window->motionPage().grid();
    int repaints = 0;
    grid.setInvalidate([&] { ++repaints; });

    EXPECT_TRUE(grid.onLButtonDown(31, 27));
    EXPECT_EQ(profile.motion.regionMask[0], 1);
    const auto selected = grid.paint();
    EXPECT_NE(std::find(selected.begin(), selected.end(),
                        DrawCommand{DrawCommand::Kind::FillRect, 1, 1, 60, 53, kGridGreen}),
              selected.end());

    EXPECT_TRUE(grid.onLButtonDown(31, 27));
    EXPECT_EQ(profile.motion.regionMask[0], 0);
    const auto cleared = grid.paint();
    EXPECT_EQ(std::count_if(cleared.begin(), cleared.end(),
                            [](const DrawCommand& c) { return c.colour == kGridGreen; }),
              0);
    EXPECT_EQ(repaints, 2);
}

TEST_F(GridTest, ClicksOnOutlinesAndGapsChangeNothing)
{
    window->motionPage().model().userSelect(kGridList, 0);
    WarningBlock& grid = window->motionPage().grid();
    const ConfigProfile before = profile;
    EXPECT_FALSE(grid.onLButtonDown(61, 20)); // right outline of cell 0
    EXPECT_FALSE(grid.onLButtonDown(62, 20)); // gap between cells 0 and 1
    EXPECT_FALSE(grid.onLButtonDown(1, 20));  // left outline
    EXPECT_FALSE(grid.onLButtonDown(20, 54)); // bottom outline
    EXPECT_FALSE(grid.onLButtonDown(-5, -5));
    EXPECT_FALSE(grid.onLButtonDown(5000, 5000));
    EXPECT_EQ(std::memcmp(&before, &profile, sizeof profile), 0);
    EXPECT_TRUE(grid.onLButtonDown(60, 20));
}

TEST_F(GridTest, PaintingOutlinesEveryCellRedOnBlack)
{
    window->motionPage().model().userSelect(kGridList, 4); // 2 x 2
    const auto commands = window->motionPage().grid().paint();
    ASSERT_EQ(commands.size(), 1u + 4u * 4u);
    EXPECT_EQ(commands[0].colour, kGridBlack);
    const GridRect r = window->motionPage().grid().cellRect(0);
    EXPECT_EQ(commands[1],
              (DrawCommand{DrawCommand::Kind::Line, r.left, r.top, r.right, r.top, kGridRed}));
    EXPECT_EQ(commands[4],
              (DrawCommand{DrawCommand::Kind::Line, r.left, r.bottom, r.left, r.top, kGridRed}));
}

TEST_F(GridTest, StatesStayWithCellNumbersAcrossGridSizes)
{
    CWarningMotionDlg& page = window->motionPage();
    page.model().userSelect(kGridList, 0);
    WarningBlock& grid = page.grid();
    const GridRect cell4 = grid.cellRect(4);
    ASSERT_TRUE(grid.onLButtonDown((cell4.left + cell4.right) / 2, (cell4.top + cell4.bottom) / 2));
    const GridRect cell15 = grid.cellRect(15);
    ASSERT_TRUE(
        grid.onLButtonDown((cell15.left + cell15.right) / 2, (cell15.top + cell15.bottom) / 2));

    page.model().userSelect(kGridList, 2); // 3 x 3: cell 4 is the centre
    EXPECT_EQ(grid.cellState(4), 1);
    EXPECT_EQ(grid.cellState(15), 1) << "out of the grid but kept";
    EXPECT_EQ(profile.motion.regionMask[15], 1);
    const auto commands = grid.paint();
    const GridRect centre = grid.cellRect(4);
    EXPECT_NE(
        std::find(commands.begin(), commands.end(),
                  DrawCommand{DrawCommand::Kind::FillRect, centre.left, centre.top,
                              centre.right - centre.left, centre.bottom - centre.top, kGridGreen}),
        commands.end());
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const DrawCommand& c) { return c.colour == kGridGreen; }),
              1);
}

TEST_F(GridTest, LoadingLaysOutTheStoredSizeAndMask)
{
    profile.motion.gridSize = 3; // 3 x 2
    profile.motion.regionMask[5] = 1;
    profile.motion.regionMask[63] = 1;
    window->LoadFromProfile();
    const WarningBlock& grid = window->motionPage().grid();
    EXPECT_EQ(window->motionPage().model().selectedText(kGridList), u"3X2");
    EXPECT_EQ(grid.cellCount(), 6);
    EXPECT_EQ(grid.cellState(5), 1);
    EXPECT_EQ(grid.cellState(63), 1);
}

TEST_F(GridTest, AnIndexTheListDoesNotHaveDrawsThreeByThree)
{
    profile.motion.gridSize = 77;
    window->LoadFromProfile();
    EXPECT_EQ(window->motionPage().model().selection(kGridList), -1);
    EXPECT_EQ(window->motionPage().grid().cellCount(), 9);
    profile.motion.gridSize = -3;
    window->LoadFromProfile();
    EXPECT_EQ(window->motionPage().grid().cellCount(), 9);
}

TEST_F(GridTest, EveryDayAndSingleWeekdaysExcludeEachOther)
{
    DialogModel& model = window->motionPage().model();
    const int monday = CWarningMotionDlg::kWeekdayIds[0];
    const int tuesday = CWarningMotionDlg::kWeekdayIds[1];
    const int wednesday = CWarningMotionDlg::kWeekdayIds[2];

    model.userClick(monday);
    model.userClick(wednesday);
    EXPECT_TRUE(model.checked(monday));
    EXPECT_TRUE(model.checked(wednesday));
    EXPECT_EQ(profile.motion.schedule[0].active, 1);
    EXPECT_EQ(profile.motion.schedule[2].active, 1);

    model.userClick(CWarningMotionDlg::kEveryDayId);
    EXPECT_TRUE(model.checked(CWarningMotionDlg::kEveryDayId));
    EXPECT_FALSE(model.checked(monday));
    EXPECT_FALSE(model.checked(wednesday));
    EXPECT_EQ(profile.motion.schedule[7].active, 1);
    EXPECT_EQ(profile.motion.schedule[0].active, 0);
    EXPECT_EQ(profile.motion.schedule[2].active, 0);

    model.userClick(tuesday);
    EXPECT_FALSE(model.checked(CWarningMotionDlg::kEveryDayId));
    EXPECT_EQ(profile.motion.schedule[7].active, 0);
    EXPECT_EQ(profile.motion.schedule[1].active, 1);

    model.userClick(tuesday); // unticking a weekday leaves "每天" alone
    EXPECT_FALSE(model.checked(CWarningMotionDlg::kEveryDayId));
    EXPECT_EQ(profile.motion.schedule[1].active, 0);
}

TEST_F(GridTest, SchedulePickersStoreWhileTheRowIsUnticked)
{
    window->motionPage().model().userSetDateTime(1106, DateTimeValue{2026, 1, 1, 8, 15, 0});
    EXPECT_EQ(profile.motion.schedule[0].start.hour, 8);
    EXPECT_EQ(profile.motion.schedule[0].start.minute, 15);
    EXPECT_EQ(profile.motion.schedule[0].active, 0);
}

} // namespace
} // namespace vexlo::test
