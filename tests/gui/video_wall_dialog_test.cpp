#include "gui_test_support.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "gui/video_pane_widget.h"
#include "gui/video_wall_dialog.h"
#include "gui/watch_video_dialog.h"

#include <QImage>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace vexlo {
namespace {

class VideoWallDialogTest : public ::testing::Test
{
protected:
    VideoWallDialogTest()
    {
        for (int i = 0; i < 5; ++i) {
            owned.push_back(std::make_unique<_DEVICERECORD>());
            devices.push_back(owned.back().get());
        }
    }

    std::vector<std::unique_ptr<_DEVICERECORD>> owned;
    std::vector<_DEVICERECORD*> devices;
};

TEST_F(VideoWallDialogTest, FiveDevicesGetNinePanesAtTheWallsRectangles)
{
    VideoWallDialog dialog(devices, nullptr, QRect(0, 0, 1000, 700));
    EXPECT_EQ(dialog.geometry(), QRect(0, 0, 1000, 700));
    ASSERT_EQ(dialog.panes().size(), 9u);
    const std::vector<PaneRect>& rects = dialog.wall().paneRects();
    ASSERT_EQ(rects.size(), 9u);
    for (std::size_t k = 0; k < rects.size(); ++k) {
        const PaneRect& r = rects[k];
        EXPECT_EQ(dialog.panes()[k]->geometry(), QRect(r.left, r.top, r.width, r.height)) << k;
        // The player draws into the widget the logic's pane names.
        EXPECT_EQ(dialog.wall().pane(static_cast<int>(k)).renderTarget(), dialog.panes()[k]);
    }
    EXPECT_EQ(dialog.panes()[4]->geometry(), QRect(338, 238, 328, 228));
}

TEST_F(VideoWallDialogTest, AFailedUpgradeFramesThePaneRed)
{
    devices[1]->upgradeResult = 2;
    devices[2]->upgradeResult = 1;
    VideoWallDialog dialog(devices, nullptr, QRect(0, 0, 900, 600));
    dialog.show();
    const QImage failed = dialog.panes()[1]->grab().toImage();
    const int w = failed.width();
    const int h = failed.height();
    ASSERT_GT(w, 20);
    for (const QPoint edge : {QPoint(0, 0), QPoint(w / 2, 4), QPoint(w - 1, h / 2),
                              QPoint(w / 2, h - 1), QPoint(4, h / 2)})
        EXPECT_EQ(failed.pixelColor(edge), QColor(255, 0, 0)) << edge.x() << "," << edge.y();
    EXPECT_EQ(failed.pixelColor(w / 2, h / 2), QColor(0, 0, 0));
    EXPECT_EQ(failed.pixelColor(5, h / 2), QColor(0, 0, 0)); // the frame is 5 pixels wide

    EXPECT_EQ(dialog.panes()[2]->grab().toImage().pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(dialog.panes()[0]->grab().toImage().pixelColor(0, 0), QColor(0, 0, 0));
    dialog.reject();
}

TEST_F(VideoWallDialogTest, APictureFromTheDecodeThreadAppearsAfterTheTimer)
{
    VideoWallDialog dialog(devices, nullptr, QRect(0, 0, 900, 600));
    dialog.show();
    VideoPaneWidget* pane = dialog.panes()[0];
    auto picture = std::make_shared<sdk::RgbPicture>();
    picture->width = 32;
    picture->height = 18;
    for (int i = 0; i < picture->width * picture->height; ++i)
        picture->rgb.insert(picture->rgb.end(), {0, 0, 255});
    std::shared_ptr<const sdk::RgbPicture> shared = picture;
    std::thread decoder([pane, shared] { pane->presentPicture(shared); });
    decoder.join();

    ASSERT_TRUE(test::waitFor([&] { return pane->shownPicture() == shared; }));
    const QImage shown = pane->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(0, 0, 255));

    // A picture whose buffer is shorter than its size is not drawn.
    auto broken = std::make_shared<sdk::RgbPicture>();
    broken->width = 4000;
    broken->height = 4000;
    broken->rgb.assign(12, 0xFF);
    std::shared_ptr<const sdk::RgbPicture> brokenShared = broken;
    pane->presentPicture(brokenShared);
    ASSERT_TRUE(test::waitFor([&] { return pane->shownPicture() == brokenShared; }));
    const QImage black = pane->grab().toImage();
    EXPECT_EQ(black.pixelColor(black.width() / 2, black.height() / 2), QColor(0, 0, 0));
    dialog.reject();
}

TEST(WatchVideoDialog, IsABlackWindowOfItsDialogUnits)
{
    BatchState state;
    WatchVideoDialog dialog(nullptr, state);
    EXPECT_GT(dialog.width(), 553);
    EXPECT_GT(dialog.height(), 275);
    EXPECT_GT(dialog.width(), dialog.height());
    dialog.show();
    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(0, 0, 0));
    dialog.reject();
}

} // namespace
} // namespace vexlo
