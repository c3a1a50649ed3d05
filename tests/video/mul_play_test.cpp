#include "playing_device_library.h"
#include "recording_player.h"
#include "test_devices.h"

#include "video/mul_play.h"
#include "video/player_ports.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vexlo {
namespace {

class VideoWallTest : public ::testing::Test
{
protected:
    VideoWallTest() { resetWallPortCounterForTesting(); }

    // A wall of these devices with its panes laid out on a 1920 × 1080 client,
    // each pane drawing into its own target.
    std::unique_ptr<CMULPLay> openWall(const std::vector<_DEVICERECORD*>& devices)
    {
        auto wall = std::make_unique<CMULPLay>(devices);
        wall->createPanes({0, 0, 1920, 1080});
        targets.resize(static_cast<std::size_t>(wall->paneCount()));
        for (int k = 0; k < wall->paneCount(); ++k)
            wall->pane(k).setRenderTarget(&targets[static_cast<std::size_t>(k)]);
        return wall;
    }

    PlayingDeviceLibrary library;
    RecordingPlayer player;
    std::vector<NullTarget> targets;
};

TEST_F(VideoWallTest, KeepsTheFirst250DevicesOnSixteenBySixteenPanes)
{
    std::vector<std::unique_ptr<_DEVICERECORD>> owned;
    std::vector<_DEVICERECORD*> devices;
    for (int i = 0; i < 260; ++i) {
        owned.push_back(makeDevice("127.0.3." + std::to_string(i)));
        devices.push_back(owned.back().get());
    }
    CMULPLay wall(devices);
    EXPECT_EQ(wall.deviceCount(), 250);
    EXPECT_EQ(wall.gridSide(), 16);
    wall.createPanes({0, 0, 1600, 900});
    ASSERT_EQ(wall.paneCount(), 256);
    EXPECT_EQ(wall.pane(0).device(), devices[0]);
    EXPECT_EQ(wall.pane(249).device(), devices[249]);
    EXPECT_EQ(wall.pane(250).device(), nullptr); // spare
    EXPECT_EQ(wall.slot(249).pane, &wall.pane(249));
}

TEST_F(VideoWallTest, OnlyLoggedInDevicesArePlayedWithTheirClientBlock)
{
    auto confirmed = makeDevice("127.0.0.11", 101, 1, 0x1234);
    auto undecided = makeDevice("127.0.0.12", 102, 0);
    auto noHandle = makeDevice("127.0.0.13", 0, 1);
    auto failed = makeDevice("127.0.0.14", 104, -1);
    auto alsoConfirmed = makeDevice("127.0.0.15", 105, 1, -9);
    auto wall = openWall(
        {confirmed.get(), undecided.get(), noHandle.get(), failed.get(), alsoConfirmed.get()});
    EXPECT_EQ(wall->paneCount(), 9);
    wall->startPlays();

    const auto plays = library.plays();
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[0].loginHandle, 101);
    EXPECT_EQ(plays[0].ip, "127.0.0.11");
    EXPECT_EQ(plays[0].userName, "admin");
    EXPECT_EQ(plays[0].password, "pw-127.0.0.11");
    EXPECT_EQ(plays[0].client.playParam, 0x1234);
    EXPECT_EQ(plays[0].client.word1, 1);
    EXPECT_EQ(plays[0].client.word2, 1);
    EXPECT_EQ(plays[0].client.context, &wall->slot(0));
    EXPECT_EQ(plays[1].ip, "127.0.0.15");
    EXPECT_EQ(plays[1].client.playParam, -9);
    EXPECT_EQ(plays[1].client.context, &wall->slot(4));

    EXPECT_EQ(wall->slot(0).realPlayHandle.load(), plays[0].handle);
    EXPECT_EQ(wall->slot(1).realPlayHandle.load(), 0);
    EXPECT_EQ(wall->slot(4).realPlayHandle.load(), plays[1].handle);
}

TEST_F(VideoWallTest, AHeaderOpensTheVideoStreamAndPlaysIntoThePane)
{
    auto first = makeDevice("127.0.0.11", 101, 1);
    auto second = makeDevice("127.0.0.12", 102, 1);
    auto wall = openWall({first.get(), second.get()});
    wall->startPlays();

    const auto header = makeStreamHeader(true, true);
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, header), 0);
    EXPECT_EQ(library.deliver(1, SDK_DATA_HEADER, header), 0);
    EXPECT_EQ(wall->slot(0).playerPort.load(), 1000);
    EXPECT_EQ(wall->slot(1).playerPort.load(), 1001);

    const auto opened = player.callsNamed("OpenStream");
    ASSERT_EQ(opened.size(), 2u); // the wall opens no audio
    EXPECT_EQ(opened[0].port, 1000);
    EXPECT_EQ(opened[0].kind, ORV_STREAM_VIDEO);
    EXPECT_EQ(opened[0].bufferFrames, 40);
    const std::vector<unsigned char> videoBlock(header.begin() + 36, header.begin() + 36 + 536);
    EXPECT_EQ(opened[0].bytes, videoBlock);
    const auto played = player.callsNamed("Play");
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].port, 1000);
    EXPECT_EQ(played[0].window, &targets[0]);
    EXPECT_EQ(played[1].window, &targets[1]);

    // A later header of the same play keeps its port.
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, header), 0);
    EXPECT_EQ(wall->slot(0).playerPort.load(), 1000);
}

TEST_F(VideoWallTest, FramesReachThePortWithTheirTimestampTruncated)
{
    auto device = makeDevice("127.0.0.11", 101, 1);
    auto wall = openWall({device.get()});
    wall->startPlays();
    const std::vector<unsigned char> frame{0, 0, 0, 1, 0x65, 0x88};
    // Before any header there is no port to feed.
    EXPECT_EQ(library.deliver(0, SDK_DATA_VIDEO, frame, 1, 5.5), 0);
    EXPECT_TRUE(player.calls().empty());

    ASSERT_EQ(library.deliver(0, SDK_DATA_HEADER, makeStreamHeader(true, false)), 0);
    EXPECT_EQ(library.deliver(0, SDK_DATA_VIDEO, frame, 1, 1234.99), 0);
    EXPECT_EQ(library.deliver(0, SDK_DATA_VIDEO, frame, 0, -3.7), 0);
    EXPECT_EQ(library.deliver(0, SDK_DATA_AUDIO, {0xD5, 0xD5}, 0, 1300.5), 0);
    EXPECT_EQ(library.deliver(0, SDK_DATA_VIDEO, frame, 0, 1e12), 0);

    const auto video = player.callsNamed("InputVideoData");
    ASSERT_EQ(video.size(), 3u);
    EXPECT_EQ(video[0].port, 1000);
    EXPECT_EQ(video[0].frameValue, 1);
    EXPECT_EQ(video[0].timestamp, 1234);
    EXPECT_EQ(video[0].bytes, frame);
    EXPECT_EQ(video[1].timestamp, -3); // towards zero
    EXPECT_EQ(video[2].timestamp, 2147483647);
    const auto audio = player.callsNamed("InputAudioData");
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0].timestamp, 1300);
    EXPECT_EQ(audio[0].bytes, (std::vector<unsigned char>{0xD5, 0xD5}));
}

TEST_F(VideoWallTest, DataIsRefusedBeforeTheHandleIsStoredAndAfterClosing)
{
    auto device = makeDevice("127.0.0.11", 101, 1);
    auto wall = openWall({device.get()});
    int duringStart = 0;
    library.duringPlayStart([&](const FakePlay&) {
        duringStart = library.deliver(0, SDK_DATA_HEADER, makeStreamHeader(true, false));
    });
    wall->startPlays();
    EXPECT_EQ(duringStart, -1);
    EXPECT_EQ(wall->slot(0).playerPort.load(), 0);
    EXPECT_TRUE(player.calls().empty());

    // Malformed data is dropped without reading past it.
    const auto header = makeStreamHeader(true, false);
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, {header.begin(), header.begin() + 847}), -1);
    EXPECT_EQ(library.deliver(0, 7, header), -1);
    EXPECT_TRUE(player.calls().empty());

    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, header), 0);
    wall->close();
    EXPECT_EQ(library.deliver(0, SDK_DATA_VIDEO, {1, 2, 3}), -1);
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, header), -1);
    EXPECT_TRUE(player.callsNamed("InputVideoData").empty());
}

TEST_F(VideoWallTest, ClosingStopsEveryPlayAndPortAndZeroesThem)
{
    auto a = makeDevice("127.0.0.11", 101, 1);
    auto b = makeDevice("127.0.0.12", 102, 1);
    auto c = makeDevice("127.0.0.13", 103, 1);
    auto notLoggedIn = makeDevice("127.0.0.14");
    library.failNextPlay(-1);
    std::vector<_DEVICERECORD*> devices{a.get(), b.get(), c.get(), notLoggedIn.get()};
    auto wall = openWall(devices);
    wall->startPlays(); // a's play fails
    const auto plays = library.plays();
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, makeStreamHeader(true, false)), 0); // b

    wall->close();
    EXPECT_EQ(library.stoppedPlays(), (std::vector<int>{plays[0].handle, plays[1].handle}));
    const auto stops = player.callsNamed("Stop");
    ASSERT_EQ(stops.size(), 1u); // only b had a port
    EXPECT_EQ(stops[0].port, 1000);
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(wall->slot(i).realPlayHandle.load(), 0); // a failed play keeps its result
        EXPECT_EQ(wall->slot(i).playerPort.load(), 0);
    }
    // Closing again (the window's destruction after an explicit close) stops nothing twice.
    wall.reset();
    EXPECT_EQ(library.stoppedPlays().size(), 2u);
    EXPECT_EQ(player.callsNamed("Stop").size(), 1u);
}

} // namespace
} // namespace vexlo
