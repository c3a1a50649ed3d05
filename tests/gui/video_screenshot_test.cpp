// The documentation's pictures of the video windows, taken offscreen from live
// simulated cameras. They run only when asked:
//   VEXLO_SCREENSHOT_DIR=docs gui_tests --gtest_filter='VideoScreenshot*'
#include "gui_test_support.h"
#include "live_video_site.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "gui/video_pane_widget.h"
#include "gui/video_wall_dialog.h"
#include "gui/watch_video_dialog.h"

#include <QImage>
#include <gtest/gtest.h>

namespace vexlo {
namespace {

constexpr int kPictureDeadlineMs = 30000;

class VideoScreenshot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("VEXLO_SCREENSHOT_DIR"))
            GTEST_SKIP() << "set VEXLO_SCREENSHOT_DIR to the folder to write";
    }

    static QString file(const char* name)
    {
        return qEnvironmentVariable("VEXLO_SCREENSHOT_DIR") + QLatin1Char('/') +
               QLatin1String(name);
    }

    static bool showsLivePicture(VideoPaneWidget& pane)
    {
        return pane.shownPicture() && test::brightShare(pane.grab().toImage(), 8) > 0.01;
    }
};

// Nine cameras after an upgrade in which the fifth one's firmware was refused.
TEST_F(VideoScreenshot, WallAfterAnUpgradeWithOneFailure)
{
    test::LiveVideoSite site(9);
    ASSERT_TRUE(site.logInAll());
    for (const auto& record : site.records())
        record->upgradeResult = 1;
    site.records()[4]->upgradeResult = 2;

    VideoWallDialog dialog(site.devices(), nullptr, QRect(0, 0, 1280, 720));
    dialog.show();
    ASSERT_TRUE(test::waitFor(
        [&] {
            for (VideoPaneWidget* pane : dialog.panes()) {
                if (!showsLivePicture(*pane))
                    return false;
            }
            return true;
        },
        kPictureDeadlineMs));
    const QString name = file("video-wall.png");
    EXPECT_TRUE(dialog.grab().save(name)) << name.toStdString();
    dialog.reject();
}

TEST_F(VideoScreenshot, SingleDeviceWindow)
{
    test::LiveVideoSite site(1);
    ASSERT_TRUE(site.logInAll());
    BatchState state;

    WatchVideoDialog dialog(site.devices()[0], state);
    dialog.show();
    ASSERT_TRUE(
        test::waitFor([&] { return showsLivePicture(*dialog.view()); }, kPictureDeadlineMs));
    const QString name = file("single-video.png");
    EXPECT_TRUE(dialog.grab().save(name)) << name.toStdString();
    dialog.reject();
}

} // namespace
} // namespace vexlo
