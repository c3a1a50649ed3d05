#include "video/wall_layout.h"

#include <gtest/gtest.h>

namespace vexlo {
namespace {

TEST(WallLayout, GridSideIsTheSmallestSquareThatHoldsEveryDevice)
{
    EXPECT_EQ(gridSide(0), 1);
    EXPECT_EQ(gridSide(1), 1);
    EXPECT_EQ(gridSide(2), 2);
    EXPECT_EQ(gridSide(4), 2);
    EXPECT_EQ(gridSide(5), 3); // 9 panes, 4 of them spare
    EXPECT_EQ(gridSide(9), 3);
    EXPECT_EQ(gridSide(10), 4);
    EXPECT_EQ(gridSide(250), 16);
}

TEST(WallLayout, OnePaneFillsTheClientLessTheGapAndTheLastPixel)
{
    const auto panes = paneRectangles({0, 0, 1920, 1080}, 1);
    ASSERT_EQ(panes.size(), 1u);
    // Right and bottom would reach the edge, so they end one pixel before it.
    EXPECT_EQ(panes[0], (PaneRect{5, 5, 1914, 1074}));
}

TEST(WallLayout, OnlyTheLastColumnAndRowAreCut)
{
    const auto panes = paneRectangles({0, 0, 1920, 1080}, 3);
    ASSERT_EQ(panes.size(), 9u);
    EXPECT_EQ(panes[0], (PaneRect{5, 5, 635, 355}));
    EXPECT_EQ(panes[1], (PaneRect{645, 5, 635, 355}));
    EXPECT_EQ(panes[2], (PaneRect{1285, 5, 634, 355}));   // last column cut
    EXPECT_EQ(panes[3], (PaneRect{5, 365, 635, 355}));    // row-major order
    EXPECT_EQ(panes[8], (PaneRect{1285, 725, 634, 354})); // both cut
}

TEST(WallLayout, FractionalCellsTruncateEachEdgeOnItsOwn)
{
    // Cells of 333.33 × 233.33 in a client that does not start at the origin.
    const auto panes = paneRectangles({10, 20, 1000, 700}, 3);
    ASSERT_EQ(panes.size(), 9u);
    EXPECT_EQ(panes[1], (PaneRect{10 + 333 + 5, 20 + 5, 328, 228}));
    // Column 2 starts at int(666.67) = 666 and, 333 wide, stops short of the edge.
    EXPECT_EQ(panes[2], (PaneRect{10 + 666 + 5, 20 + 5, 328, 228}));
    EXPECT_EQ(panes[7], (PaneRect{10 + 333 + 5, 20 + 466 + 5, 328, 228}));
}

TEST(WallLayout, SixteenBySixteenAndTinyClientsStayInBounds)
{
    const auto wall = paneRectangles({0, 0, 1280, 720}, 16);
    ASSERT_EQ(wall.size(), 256u);
    for (const PaneRect& pane : wall) {
        EXPECT_GE(pane.width, 0);
        EXPECT_LT(pane.left + pane.width, 1280);
        EXPECT_LT(pane.top + pane.height, 720);
    }
    EXPECT_EQ(wall[255], (PaneRect{1200 + 5, 675 + 5, 74, 39}));

    for (const PaneRect& pane : paneRectangles({0, 0, 8, 8}, 2)) {
        EXPECT_EQ(pane.width, 0);
        EXPECT_EQ(pane.height, 0);
    }
    EXPECT_TRUE(paneRectangles({0, 0, 100, 100}, 0).empty());
}

} // namespace
} // namespace vexlo
