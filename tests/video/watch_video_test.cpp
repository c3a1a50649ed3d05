#include "playing_device_library.h"
#include "recording_player.h"
#include "test_devices.h"

#include "engine/batch_state.h"
#include "engine/sdk_callbacks.h"
#include "platform/tick.h"
#include "video/watch_video.h"

#include <gtest/gtest.h>

namespace vexlo {
namespace {

constexpr const char* kIp = "127.0.0.21";

class WatchVideoTest : public ::testing::Test
{
protected:
    WatchVideoTest()
    {
        // The login wait is 1.5 s of scaled time: at this scale 300 ms real, room
        // enough for a loaded machine to deliver an answer that comes at once.
        setTimeScaleForTesting(5);
        registerSdkCallbacks(state);
        state.loginEvent->reset();
    }
    ~WatchVideoTest() override
    {
        library.dropPending();
        setTimeScaleForTesting(1);
    }

    // The window as the front end runs it: created, then its own message handled.
    void openAndStart(WatchVideo& window)
    {
        window.setRenderTarget(&target);
        std::vector<std::uint32_t> posted;
        window.onInitDialog([&posted](std::uint32_t message) { posted.push_back(message); });
        ASSERT_EQ(posted, std::vector<std::uint32_t>{WatchVideo::kStartMessage});
        window.onMessage(posted[0]);
    }

    void addDevice(FakeReply login, bool answerBeforeReturn = false)
    {
        FakeDeviceScript script;
        script.login = login;
        script.answerBeforeReturn = answerBeforeReturn;
        library.addDevice(kIp, script);
    }

    BatchState state;
    PlayingDeviceLibrary library;
    RecordingPlayer player;
    NullTarget target;
};

TEST_F(WatchVideoTest, StartsOnlyWhenItsOwnMessageIsHandled)
{
    addDevice(FakeReply::Answer);
    auto device = makeDevice(kIp);
    WatchVideo window(device.get(), state);
    std::vector<std::uint32_t> posted;
    window.onInitDialog([&posted](std::uint32_t message) { posted.push_back(message); });
    EXPECT_EQ(posted, std::vector<std::uint32_t>{1224});
    EXPECT_TRUE(library.callsNamed("Login").empty()); // not before the window is shown
    window.onMessage(1225);
    EXPECT_TRUE(library.callsNamed("Login").empty());
    window.onMessage(1224);
    EXPECT_EQ(library.callsNamed("Login").size(), 1u);
}

TEST_F(WatchVideoTest, ALoginAnsweredInTimePlaysIntoTheWindow)
{
    for (const bool beforeReturn : {false, true}) {
        SCOPED_TRACE(beforeReturn ? "answer inside the login call" : "answer after it");
        PlayingDeviceLibrary fresh; // a library of its own per round
        FakeDeviceScript script;
        script.answerBeforeReturn = beforeReturn;
        fresh.addDevice(kIp, script);
        registerSdkCallbacks(state);
        auto device = makeDevice(kIp, 0, 0, 77);
        WatchVideo window(device.get(), state);
        openAndStart(window);

        ASSERT_EQ(fresh.callsNamed("Login").size(), 1u);
        EXPECT_GT(device->loginHandle.load(), 0);
        EXPECT_EQ(device->loginState.load(), 1);
        const auto plays = fresh.plays();
        ASSERT_EQ(plays.size(), 1u);
        EXPECT_EQ(plays[0].loginHandle, device->loginHandle.load());
        EXPECT_EQ(plays[0].client.playParam, 77);
        EXPECT_EQ(plays[0].client.word1, 1);
        EXPECT_EQ(plays[0].client.word2, 1);
        EXPECT_EQ(plays[0].client.context, &window);
        EXPECT_EQ(window.realPlayHandle(), plays[0].handle);
        window.close();
        fresh.dropPending();
    }
}

TEST_F(WatchVideoTest, ALoggedInDeviceIsNotLoggedInAgain)
{
    addDevice(FakeReply::Answer);
    auto device = makeDevice(kIp, 42, 1);
    WatchVideo window(device.get(), state);
    openAndStart(window);
    EXPECT_TRUE(library.callsNamed("Login").empty());
    ASSERT_EQ(library.plays().size(), 1u);
    EXPECT_EQ(library.plays()[0].loginHandle, 42);
}

TEST_F(WatchVideoTest, ThreeFailedLoginsLeaveTheWindowBlack)
{
    for (const FakeReply reply : {FakeReply::Silent, FakeReply::Refuse}) {
        SCOPED_TRACE(reply == FakeReply::Silent ? "no answer" : "refused");
        PlayingDeviceLibrary fresh;
        FakeDeviceScript script;
        script.login = reply;
        fresh.addDevice(kIp, script);
        registerSdkCallbacks(state);
        // Another device's login answer signals the shared event; it is not ours.
        StatusEventCallBack(9999, SDK_EVENT_LOGIN_OK, 0, &state);

        auto device = makeDevice(kIp);
        WatchVideo window(device.get(), state);
        openAndStart(window);
        EXPECT_EQ(fresh.callsNamed("Login").size(), 3u);
        EXPECT_EQ(fresh.callsNamed("Logout").size(), 3u); // no handle is left behind
        EXPECT_TRUE(fresh.plays().empty());
        EXPECT_EQ(device->loginHandle.load(), 0);
        EXPECT_EQ(device->loginState.load(), 0);
        EXPECT_EQ(state.claimLoginResult(9999), 1); // still kept for its owner
        fresh.dropPending();
    }
}

TEST_F(WatchVideoTest, ALoginCallThatFailsLeavesTheRecordAlone)
{
    // The library does not know the address: IP_NET_DVR_Login itself fails.
    auto device = makeDevice("127.0.0.99", 0, -1);
    WatchVideo window(device.get(), state);
    openAndStart(window);
    EXPECT_EQ(library.callsNamed("Login").size(), 3u);
    EXPECT_EQ(device->loginHandle.load(), 0);
    EXPECT_EQ(device->loginState.load(), -1);
    EXPECT_TRUE(library.plays().empty());
}

TEST_F(WatchVideoTest, TheStreamGetsARandomPortAndItsSoundToo)
{
    addDevice(FakeReply::Answer);
    auto device = makeDevice(kIp, 42, 1);
    WatchVideo window(device.get(), state);
    window.seedPortGeneratorForTesting(1); // first value 41
    openAndStart(window);

    const auto header = makeStreamHeader(true, true);
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, header), 0);
    const int port = static_cast<int>(41 / 32767.0 * 9999) + 1;
    EXPECT_EQ(window.playerPort(), port);
    const auto opened = player.callsNamed("OpenStream");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].kind, ORV_STREAM_VIDEO);
    EXPECT_EQ(opened[0].bytes.size(), 536u);
    EXPECT_EQ(opened[1].port, port);
    EXPECT_EQ(opened[1].kind, ORV_STREAM_AUDIO);
    EXPECT_EQ(opened[1].bufferFrames, 40);
    EXPECT_EQ(opened[1].bytes, std::vector<unsigned char>(header.begin() + 572, header.end()));
    const auto played = player.callsNamed("Play");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].window, &target);

    EXPECT_EQ(library.deliver(0, SDK_DATA_AUDIO, {1, 2}, 0, 99.9), 0);
    ASSERT_EQ(player.callsNamed("InputAudioData").size(), 1u);
    EXPECT_EQ(player.callsNamed("InputAudioData")[0].timestamp, 99);
}

TEST_F(WatchVideoTest, NoAudioBlockIsOpenedWhenTheStreamHasNoSound)
{
    addDevice(FakeReply::Answer);
    auto device = makeDevice(kIp, 42, 1);
    WatchVideo window(device.get(), state);
    openAndStart(window);
    EXPECT_EQ(library.deliver(0, SDK_DATA_HEADER, makeStreamHeader(true, false)), 0);
    const auto opened = player.callsNamed("OpenStream");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].kind, ORV_STREAM_VIDEO);
    EXPECT_GE(window.playerPort(), 1);
    EXPECT_LE(window.playerPort(), 10000);
}

TEST_F(WatchVideoTest, ClosingStopsThePlayAndThePortThenWaits)
{
    addDevice(FakeReply::Answer);
    auto device = makeDevice(kIp, 42, 1);
    WatchVideo window(device.get(), state);
    openAndStart(window);
    ASSERT_EQ(library.deliver(0, SDK_DATA_HEADER, makeStreamHeader(true, false)), 0);
    const int port = window.playerPort();
    const int handle = window.realPlayHandle();

    const std::uint32_t start = GetTickCount();
    window.close();
    EXPECT_GE(ticksSince(start), WatchVideo::kCloseWaitMs);
    EXPECT_EQ(library.stoppedPlays(), std::vector<int>{handle});
    ASSERT_EQ(player.callsNamed("Stop").size(), 1u);
    EXPECT_EQ(player.callsNamed("Stop")[0].port, port);
    EXPECT_EQ(window.realPlayHandle(), 0);
    EXPECT_EQ(window.playerPort(), 0);
    EXPECT_EQ(library.deliver(0, SDK_DATA_VIDEO, {1}), -1);
    // The device stays logged in.
    EXPECT_EQ(device->loginHandle.load(), 42);
}

TEST_F(WatchVideoTest, WithoutADeviceNothingHappens)
{
    WatchVideo window(nullptr, state);
    openAndStart(window);
    window.close();
    EXPECT_TRUE(library.calls().empty());
    EXPECT_TRUE(player.calls().empty());
}

} // namespace
} // namespace vexlo
