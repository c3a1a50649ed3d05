// The live video wall on its real chain: simulated cameras stream their test
// cards through netsdk over loopback, the FFmpeg player decodes them, and the
// wall's pane widgets show them offscreen.
#include "gui_test_support.h"
#include "live_video_site.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/sdk_callbacks.h"
#include "gui/video_pane_widget.h"
#include "gui/video_wall_dialog.h"
#include "gui/watch_video_dialog.h"
#include "video/player_ports.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

namespace vexlo {
namespace {

constexpr int kCameras = 9;
// The first pictures wait for each camera to encode its test card once.
constexpr int kPictureDeadlineMs = 30000;
constexpr int kFailedPane = 4;

bool everyPaneShowsALivePicture(const VideoWallDialog& dialog)
{
    for (VideoPaneWidget* pane : dialog.panes()) {
        if (!pane->shownPicture() || test::brightShare(pane->grab().toImage(), 8) < 0.01)
            return false;
    }
    return true;
}

TEST(VideoWallEndToEnd, NineCamerasPlayLiveAndClosingStopsEveryPlayAndPort)
{
    test::LiveVideoSite site(kCameras);
    ASSERT_TRUE(site.logInAll());
    site.records()[kFailedPane]->upgradeResult = 2;
    resetWallPortCounterForTesting();

    {
        VideoWallDialog dialog(site.devices(), nullptr, QRect(0, 0, 960, 540));
        ASSERT_EQ(dialog.panes().size(), 9u);
        dialog.show();
        for (int k = 0; k < kCameras; ++k)
            EXPECT_GT(dialog.wall().slot(k).realPlayHandle.load(), 0) << k;

        EXPECT_TRUE(
            test::waitFor([&] { return everyPaneShowsALivePicture(dialog); }, kPictureDeadlineMs));

        // Every stream got a port of its own from the wall's counter.
        std::set<int> ports;
        for (int k = 0; k < kCameras; ++k)
            ports.insert(dialog.wall().slot(k).playerPort.load());
        EXPECT_EQ(ports.size(), 9u);
        EXPECT_EQ(*ports.begin(), kFirstWallPort);
        EXPECT_EQ(*ports.rbegin(), kFirstWallPort + 8);
        EXPECT_EQ(site.player().openPortCount(), 9u);

        // The picture is 320 × 180, scaled into the pane, and live: newer
        // pictures keep replacing it.
        const auto picture = dialog.panes()[0]->shownPicture();
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, 320);
        EXPECT_EQ(picture->height, 180);
        EXPECT_TRUE(test::waitFor([&] {
            const auto newer = dialog.panes()[0]->shownPicture();
            return newer && newer != picture && newer->rgb != picture->rgb;
        }));

        // The failed device's red frame lies over its live picture.
        const QImage failed = dialog.panes()[kFailedPane]->grab().toImage();
        const int w = failed.width();
        const int h = failed.height();
        for (const QPoint edge : {QPoint(0, 0), QPoint(w / 2, 4), QPoint(w - 1, h / 2),
                                  QPoint(w / 2, h - 1), QPoint(4, h / 2), QPoint(w - 5, h - 5)})
            EXPECT_EQ(failed.pixelColor(edge), QColor(255, 0, 0)) << edge.x() << "," << edge.y();
        EXPECT_GT(test::brightShare(failed, 8), 0.01);
        // A device without an upgrade result has no frame: its corner is the
        // picture's dark background.
        EXPECT_LT(qGray(dialog.panes()[0]->grab().toImage().pixel(1, 1)), 64);

        dialog.reject();
        EXPECT_EQ(site.player().openPortCount(), 0u);
        for (int k = 0; k < kCameras; ++k) {
            EXPECT_EQ(dialog.wall().slot(k).realPlayHandle.load(), 0) << k;
            EXPECT_EQ(dialog.wall().slot(k).playerPort.load(), 0) << k;
        }

        // The cameras keep streaming for a moment; nothing opens a port again.
        EXPECT_FALSE(test::waitFor([&] { return site.player().openPortCount() > 0; }, 300));
    }
    EXPECT_EQ(site.player().openPortCount(), 0u);
}

TEST(VideoWallEndToEnd, DevicesThatAreNotLoggedInStayBlackBesideLiveOnes)
{
    test::LiveVideoSite site(2);
    ASSERT_TRUE(site.logInAll());
    // The second device as a search leaves it: never logged in.
    _DEVICERECORD& idle = *site.records()[1];
    idle.loginHandle = 0;
    idle.loginState = 0;

    VideoWallDialog dialog(site.devices(), nullptr, QRect(0, 0, 640, 360));
    dialog.show();
    VideoPaneWidget* live = dialog.panes()[0];
    VideoPaneWidget* black = dialog.panes()[1];
    EXPECT_TRUE(test::waitFor(
        [&] { return live->shownPicture() && test::brightShare(live->grab().toImage(), 8) > 0.01; },
        kPictureDeadlineMs));
    EXPECT_EQ(dialog.wall().slot(1).realPlayHandle.load(), 0);
    EXPECT_FALSE(black->shownPicture());
    EXPECT_EQ(test::brightShare(black->grab().toImage(), 0), 0.0);
    EXPECT_EQ(site.player().openPortCount(), 1u);
    dialog.reject();
    EXPECT_EQ(site.player().openPortCount(), 0u);
}

// The single-device window on a device a search has just listed: it logs the
// device in through the engine's status callback, plays picture and sound, and
// leaves the device logged in when it closes.
TEST(WatchVideoEndToEnd, LogsTheDeviceInAndPlaysPictureAndSound)
{
    BatchState state; // outlives the device library, which reports into it
    test::LiveVideoSite site(1);
    registerSdkCallbacks(state);
    _DEVICERECORD& device = *site.records()[0];
    ASSERT_EQ(device.loginHandle.load(), 0);

    WatchVideoDialog dialog(&device, state);
    dialog.show();
    VideoPaneWidget* view = dialog.view();
    EXPECT_TRUE(test::waitFor(
        [&] { return view->shownPicture() && test::brightShare(view->grab().toImage(), 8) > 0.01; },
        kPictureDeadlineMs));
    EXPECT_GT(device.loginHandle.load(), 0);
    EXPECT_EQ(device.loginState.load(), 1);
    const int port = dialog.logic().playerPort();
    EXPECT_GE(port, 1);
    EXPECT_LE(port, 10000);
    EXPECT_TRUE(test::waitFor([&] {
        const auto stats = site.player().portStats(port);
        return stats && stats->audioFramesDecoded > 0;
    }));

    dialog.reject();
    EXPECT_EQ(site.player().openPortCount(), 0u);
    EXPECT_EQ(dialog.logic().realPlayHandle(), 0);
    EXPECT_GT(device.loginHandle.load(), 0);
}

// ONVIF cameras on the same wall: each pane shows its own camera's card,
// pulled over RTSP from the camera's sub-stream profile, under the upgrade
// frames; closing the wall ends every stream at once.
TEST(VideoWallEndToEnd, OnvifCamerasShowTheirOwnCardsAndCloseAtOnce)
{
    constexpr int kOnvifCameras = 4;
    test::LiveVideoSite site(kOnvifCameras, test::LiveVideoSite::Protocol::Onvif);
    ASSERT_TRUE(site.logInAll());
    site.records()[1]->upgradeResult = 2;
    resetWallPortCounterForTesting();

    VideoWallDialog dialog(site.devices(), nullptr, QRect(0, 0, 640, 360));
    dialog.show();
    const auto ownCard = [&](int k) {
        const auto picture = dialog.panes()[static_cast<std::size_t>(k)]->shownPicture();
        const _DEVICERECORD& device = *site.records()[static_cast<std::size_t>(k)];
        return picture && test::cardMismatch(*picture, device.serialNo, device.ipAddress) < 0.02;
    };
    EXPECT_TRUE(test::waitFor(
        [&] {
            for (int k = 0; k < kOnvifCameras; ++k) {
                if (!ownCard(k))
                    return false;
            }
            return true;
        },
        kPictureDeadlineMs));
    // A pane does not match another camera's card: the test tells them apart.
    const auto first = dialog.panes()[0]->shownPicture();
    ASSERT_TRUE(first);
    EXPECT_GT(test::cardMismatch(*first, site.records()[2]->serialNo, site.records()[2]->ipAddress),
              0.02);
    const QImage failed = dialog.panes()[1]->grab().toImage();
    EXPECT_EQ(failed.pixelColor(0, 0), QColor(255, 0, 0));
    for (int k = 0; k < kOnvifCameras; ++k)
        EXPECT_EQ(site.site().rtspConnections(static_cast<std::size_t>(k)), 1u) << k;

    const auto closing = std::chrono::steady_clock::now();
    dialog.reject();
    EXPECT_EQ(site.player().openPortCount(), 0u);
    EXPECT_TRUE(test::waitFor([&] {
        for (int k = 0; k < kOnvifCameras; ++k) {
            if (site.site().rtspConnections(static_cast<std::size_t>(k)) != 0)
                return false;
        }
        return true;
    }));
    // Each stream leaves its read within the 100 ms that libavformat polls
    // for a stop; the bound leaves room for a loaded machine.
    const auto closed = std::chrono::steady_clock::now() - closing;
    EXPECT_LT(closed, std::chrono::milliseconds(1000));
    std::printf("every RTSP connection ended %lld ms after the wall closed\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(closed).count()));
}

// The single-device window plays an ONVIF camera's main stream with its sound,
// plays it again after the camera restarted, and stops it when it closes.
TEST(WatchVideoEndToEnd, PlaysAnOnvifCameraAndStopsItsStream)
{
    BatchState state;
    test::LiveVideoSite site(1, test::LiveVideoSite::Protocol::Onvif);
    registerSdkCallbacks(state);
    _DEVICERECORD& device = *site.records()[0];

    WatchVideoDialog dialog(&device, state);
    dialog.show();
    VideoPaneWidget* view = dialog.view();
    EXPECT_TRUE(test::waitFor(
        [&] {
            const auto picture = view->shownPicture();
            return picture &&
                   test::cardMismatch(*picture, device.serialNo, device.ipAddress) < 0.02;
        },
        kPictureDeadlineMs));
    const int port = dialog.logic().playerPort();
    EXPECT_TRUE(test::waitFor([&] {
        const auto stats = site.player().portStats(port);
        return stats && stats->audioFramesDecoded > 0;
    }));

    // The camera restarts: its stream is lost, and opened again once it is back.
    ASSERT_EQ(IP_NET_DVR_RebootDVR(device.loginHandle.load()), 0);
    EXPECT_TRUE(test::waitFor([&] { return site.site().rtspConnections(0) == 0; }));
    const auto before = site.player().portStats(port);
    ASSERT_TRUE(before);
    EXPECT_TRUE(test::waitFor(
        [&] {
            const auto now = site.player().portStats(port);
            return site.site().rtspConnections(0) == 1 && now &&
                   now->picturesDecoded > before->picturesDecoded;
        },
        kPictureDeadlineMs));

    dialog.reject();
    EXPECT_EQ(site.player().openPortCount(), 0u);
    EXPECT_EQ(dialog.logic().realPlayHandle(), 0);
    EXPECT_TRUE(test::waitFor([&] { return site.site().rtspConnections(0) == 0; }));
}

} // namespace
} // namespace vexlo
