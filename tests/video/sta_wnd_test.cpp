#include "test_devices.h"

#include "video/sta_wnd.h"

#include <gtest/gtest.h>

namespace vexlo {
namespace {

const PaneDrawCommand kBlackGround{true, 0, 0, 200, 100, kPaneBlack};

TEST(PanePainting, NoUpgradeResultMeansBlackOnly)
{
    auto device = makeDevice("127.0.0.5");
    CStaWnd pane(device.get());
    EXPECT_EQ(pane.paint(200, 100), std::vector<PaneDrawCommand>{kBlackGround});
    device->upgradeResult = 3; // not a result the wall knows
    EXPECT_EQ(pane.paint(200, 100), std::vector<PaneDrawCommand>{kBlackGround});

    CStaWnd spare;
    EXPECT_EQ(spare.paint(200, 100), std::vector<PaneDrawCommand>{kBlackGround});
}

TEST(PanePainting, SucceededIsFramedGreenFailedRed)
{
    auto device = makeDevice("127.0.0.5");
    CStaWnd pane(device.get());
    device->upgradeResult = 1;
    const std::vector<PaneDrawCommand> green{
        kBlackGround,
        {false, 0, 0, 200, 5, kPaneGreen},   // top
        {false, 195, 0, 5, 100, kPaneGreen}, // right
        {false, 0, 95, 200, 5, kPaneGreen},  // bottom
        {false, 0, 0, 5, 100, kPaneGreen},   // left
    };
    EXPECT_EQ(pane.paint(200, 100), green);

    // The record is read at every paint: a result that changes shows at once.
    device->upgradeResult = 2;
    const auto red = pane.paint(200, 100);
    ASSERT_EQ(red.size(), 5u);
    for (std::size_t i = 1; i < red.size(); ++i) {
        EXPECT_EQ(red[i].colour, kPaneRed);
        EXPECT_EQ(red[i].left, green[i].left);
        EXPECT_EQ(red[i].width, green[i].width);
    }
}

TEST(PanePainting, APaneNarrowerThanTheFrameIsAllFrame)
{
    auto device = makeDevice("127.0.0.5");
    device->upgradeResult = 2;
    CStaWnd pane(device.get());
    for (const PaneDrawCommand& command : pane.paint(3, 0)) {
        EXPECT_GE(command.left, 0);
        EXPECT_GE(command.top, 0);
        EXPECT_LE(command.left + command.width, 3);
        EXPECT_LE(command.height, 0);
    }
    EXPECT_EQ(pane.paint(-4, -4)[0], (PaneDrawCommand{true, 0, 0, 0, 0, kPaneBlack}));
}

} // namespace
} // namespace vexlo
