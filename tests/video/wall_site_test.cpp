#include "../netsdk/site_fixture.h"
#include "recording_player.h"

#include "engine/device_record.h"
#include "sdk/backend.h"
#include "video/mul_play.h"
#include "video/player_ports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace vexlo::netsdk::test {
namespace {

// The wall plays two cameras of a simulated site through the device library
// over loopback into a recording player.
class WallSiteTest : public SiteTest
{
protected:
    void TearDown() override
    {
        sdk::installDeviceLibrary(nullptr);
        SiteTest::TearDown();
    }

    std::unique_ptr<_DEVICERECORD> loggedInRecord(std::size_t index)
    {
        auto record = std::make_unique<_DEVICERECORD>();
        const ipcsim::CameraSetup& setup = camera(index);
        std::snprintf(record->ipAddress, sizeof record->ipAddress, "%s", setup.address.c_str());
        std::snprintf(record->userName, sizeof record->userName, "%s", setup.user.c_str());
        std::snprintf(record->password, sizeof record->password, "%s", setup.password.c_str());
        record->playParam = setup.playParam;
        record->port = setup.port;
        record->loginHandle = loginTo(index);
        record->loginState = 1;
        return record;
    }
};

TEST_F(WallSiteTest, TwoLoggedInCamerasPlayOnTheirOwnPorts)
{
    start(healthySite(3));
    sdk::installDeviceLibrary(&sdk());
    RecordingPlayer player;
    resetWallPortCounterForTesting();

    auto first = loggedInRecord(0);
    auto second = loggedInRecord(1);
    auto notLoggedIn = std::make_unique<_DEVICERECORD>();
    ASSERT_GT(first->loginHandle.load(), 0);
    ASSERT_GT(second->loginHandle.load(), 0);

    NullTarget panes[4];
    auto wall = std::make_unique<CMULPLay>(
        std::vector<_DEVICERECORD*>{first.get(), notLoggedIn.get(), second.get()});
    wall->createPanes({0, 0, 800, 600});
    ASSERT_EQ(wall->paneCount(), 4);
    for (int k = 0; k < 4; ++k)
        wall->pane(k).setRenderTarget(&panes[k]);
    wall->startPlays();
    ASSERT_GT(wall->slot(0).realPlayHandle.load(), 0);
    EXPECT_EQ(wall->slot(1).realPlayHandle.load(), 0);
    ASSERT_GT(wall->slot(2).realPlayHandle.load(), 0);

    // Each camera's header opens a port of its own; video and audio follow.
    const auto bothPlaying = [](const std::vector<PlayerCall>& calls) {
        std::set<int> opened;
        std::set<int> fed;
        for (const PlayerCall& call : calls) {
            if (call.name == "OpenStream")
                opened.insert(call.port);
            if (call.name == "InputVideoData" && opened.count(call.port))
                fed.insert(call.port);
        }
        return opened == std::set<int>{1000, 1001} && fed == opened;
    };
    ASSERT_TRUE(player.waitFor(bothPlaying, kWait));
    const int firstPort = wall->slot(0).playerPort.load();
    const int secondPort = wall->slot(2).playerPort.load();
    EXPECT_EQ((std::set<int>{firstPort, secondPort}), (std::set<int>{1000, 1001}));

    for (const int port : {firstPort, secondPort}) {
        const auto calls = player.callsOnPort(port);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0].name, "OpenStream");
        EXPECT_EQ(calls[0].bytes.size(), 536u);
        EXPECT_EQ(std::string(calls[0].bytes.begin(), calls[0].bytes.begin() + 4), "H264");
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[1].name, "Play");
    }
    EXPECT_EQ(player.callsOnPort(firstPort)[1].window, &panes[0]);
    EXPECT_EQ(player.callsOnPort(secondPort)[1].window, &panes[2]);

    wall->close();
    const std::size_t atClose = player.calls().size();
    EXPECT_EQ(player.callsNamed("Stop").size(), 2u);
    // The cameras keep sending for a while; nothing reaches the player any more.
    EXPECT_FALSE(player.waitFor(
        [atClose](const std::vector<PlayerCall>& calls) { return calls.size() > atClose; },
        std::chrono::milliseconds(300)));
    wall.reset();
}

} // namespace
} // namespace vexlo::netsdk::test
