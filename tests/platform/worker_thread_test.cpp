#include "test_support.h"

#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace vexlo {
namespace {

using namespace std::chrono_literals;
using test::elapsedSince;
using test::waitUntil;

class WorkerThreadTest : public test::ScaledTimeTest
{
};

TEST_F(WorkerThreadTest, ServesItsQueueInOrderAndEndsAtOnceOnStop)
{
    std::mutex mutex;
    std::vector<std::uint32_t> served;
    WorkerThread worker("MaintenanceThread");
    worker.start([&](WorkerThread& self) {
        while (const auto message = self.queue().wait()) {
            std::lock_guard lock(mutex);
            served.push_back(message->message);
        }
    });
    worker.queue().post(1025);
    worker.queue().post(1026);
    worker.queue().post(1029, 2);
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(mutex);
        return served.size() == 3;
    }));
    EXPECT_EQ(served, (std::vector<std::uint32_t>{1025, 1026, 1029}));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(worker.stop());
    EXPECT_LT(elapsedSince(start), 1000ms);
    EXPECT_TRUE(worker.stopRequested());
    EXPECT_FALSE(worker.queue().post(1025)) << "a stopped worker takes no more work";
}

TEST_F(WorkerThreadTest, SleepEndsEarlyWhenAStopIsRequested)
{
    std::atomic<bool> sleeping{false};
    std::atomic<bool> sleepResult{true};
    WorkerThread worker("LoginPollThread");
    worker.start([&](WorkerThread& self) {
        sleeping = true;
        sleepResult = self.sleep(0xFFFFFFFFu); // weeks, even scaled
    });
    ASSERT_TRUE(waitUntil([&] { return sleeping.load(); }));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(worker.stop());
    EXPECT_LT(elapsedSince(start), 1000ms);
    EXPECT_FALSE(sleepResult);
}

TEST_F(WorkerThreadTest, AStuckBodyDoesNotHoldStopPastItsLimitNorTouchFreedMemory)
{
    // The test owns what the stuck body uses, so it outlives the worker.
    struct Stuck
    {
        std::atomic<bool> release{false};
        std::atomic<bool> entered{false};
        std::atomic<bool> finished{false};
        std::atomic<bool> sawStop{false};
        std::atomic<bool> postRefused{false};
    };
    auto stuck = std::make_shared<Stuck>();
    std::chrono::steady_clock::time_point start;
    {
        WorkerThread worker("UploadThread");
        worker.start([stuck](WorkerThread& self) {
            stuck->entered = true;
            while (!stuck->release) {
                std::this_thread::yield(); // ignores the stop, like a blocking call
            }
            // The owner is gone by now; the handle still works.
            stuck->sawStop = self.stopRequested();
            stuck->postRefused = !self.queue().post(1);
            self.sleep(100);
            stuck->finished = true;
        });
        ASSERT_TRUE(waitUntil([&] { return stuck->entered.load(); }));
        start = std::chrono::steady_clock::now();
        EXPECT_FALSE(worker.stop(50ms));
        EXPECT_GE(elapsedSince(start), 50ms);
    }
    EXPECT_LT(elapsedSince(start), 1000ms) << "nor does the destructor wait for it again";
    stuck->release = true;
    ASSERT_TRUE(waitUntil([&] { return stuck->finished.load(); }));
    EXPECT_TRUE(stuck->sawStop);
    EXPECT_TRUE(stuck->postRefused);
}

TEST_F(WorkerThreadTest, ABodyMayStopItself)
{
    std::atomic<bool> stopped{false};
    WorkerThread worker("RebootWaitThread");
    worker.start([&](WorkerThread& self) {
        EXPECT_FALSE(self.stop()) << "it cannot wait for itself";
        stopped = self.stopRequested();
    });
    ASSERT_TRUE(waitUntil([&] { return stopped.load(); }));
    EXPECT_TRUE(worker.stop());
}

TEST_F(WorkerThreadTest, StartsOnceAndStopsWithoutEverStarting)
{
    WorkerThread idle("ProgressPollThread");
    EXPECT_TRUE(idle.stop());
    EXPECT_EQ(idle.name(), "ProgressPollThread");

    std::atomic<int> runs{0};
    {
        WorkerThread worker("UpgradeControlThread");
        worker.start([&](WorkerThread& self) {
            ++runs;
            self.queue().wait();
        });
        worker.start([&](WorkerThread&) { ++runs; });
        ASSERT_TRUE(waitUntil([&] { return runs == 1; }));
    } // the destructor stops the waiting body
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace vexlo
