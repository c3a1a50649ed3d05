#include "site_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace vexlo::netsdk::test {
namespace {

using namespace std::chrono_literals;

struct PlayLog
{
    std::mutex mutex;
    std::vector<int> kinds;
    std::vector<int> lengths;
    std::vector<void*> contexts;
    std::atomic<bool> stopped{false};
    std::atomic<int> afterStop{0};

    static int onData(int, int kind, const unsigned char*, int length, const IP_FRAME_INFO* info,
                      void* user)
    {
        auto* self = static_cast<PlayLog*>(user);
        if (self->stopped)
            ++self->afterStop;
        std::lock_guard lock(self->mutex);
        self->kinds.push_back(kind);
        self->lengths.push_back(length);
        self->contexts.push_back(info ? info->context : nullptr);
        return 0;
    }
    std::size_t count()
    {
        std::lock_guard lock(mutex);
        return kinds.size();
    }
};

TEST_F(SiteTest, LivePlayDeliversHeaderThenFramesUntilStopped)
{
    start(healthySite(1));
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    PlayLog log;
    int paneContext = 0;
    IP_PLAY_CLIENTINFO client{0, 1, 1, &paneContext};
    const int play = sdk().RealPlayEx(handle, camera(0).address.c_str(), "admin", "",
                                      &PlayLog::onData, &client, &log);
    ASSERT_GT(play, 0);
    ASSERT_TRUE(waitUntil([&] { return log.count() >= 5; }, kWait));

    EXPECT_EQ(sdk().StopRealPlay(play), 0);
    log.stopped = true;
    EXPECT_NE(sdk().StopRealPlay(play), 0); // now unknown
    {
        std::lock_guard lock(log.mutex);
        EXPECT_EQ(log.kinds[0], SDK_DATA_HEADER);
        EXPECT_EQ(log.lengths[0], SDK_HEADER_SIZE);
        bool video = false;
        bool audio = false;
        for (std::size_t i = 1; i < log.kinds.size(); ++i) {
            video |= log.kinds[i] == SDK_DATA_VIDEO;
            audio |= log.kinds[i] == SDK_DATA_AUDIO;
            EXPECT_NE(log.kinds[i], SDK_DATA_HEADER);
        }
        EXPECT_TRUE(video);
        EXPECT_TRUE(audio);
        for (void* context : log.contexts)
            EXPECT_EQ(context, &paneContext);
    }
    // The camera keeps sending at its real rate for a while: nothing arrives.
    const std::size_t atStop = log.count();
    EXPECT_FALSE(waitUntil([&] { return log.count() > atStop; }, 200ms));
    EXPECT_EQ(log.afterStop, 0);

    // A second play on the same session gets a new handle and its own header.
    PlayLog second;
    const int again = sdk().RealPlayEx(handle, camera(0).address.c_str(), "admin", "",
                                       &PlayLog::onData, &client, &second);
    EXPECT_GT(again, play);
    EXPECT_TRUE(waitUntil([&] { return second.count() >= 1; }, kWait));
    sdk().Logout(handle);
    EXPECT_NE(sdk().RealPlayEx(handle, camera(0).address.c_str(), "admin", "", &PlayLog::onData,
                               &client, &second),
              0);
}

} // namespace
} // namespace vexlo::netsdk::test
