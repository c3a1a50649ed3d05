#include "test_support.h"

#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace vexlo {
namespace {

using namespace std::chrono_literals;
using test::elapsedSince;

class ThreadMessageQueueTest : public test::ScaledTimeTest
{
protected:
    ThreadMessageQueue m_queue;
};

TEST_F(ThreadMessageQueueTest, ServesMessagesInOrderWithTheirParameters)
{
    ASSERT_TRUE(m_queue.post(1025, 7, -1));
    ASSERT_TRUE(m_queue.post(1026));
    ASSERT_TRUE(m_queue.post(1029, 3, 42));
    EXPECT_EQ(m_queue.size(), 3u);

    const auto first = m_queue.wait();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->message, 1025u);
    EXPECT_EQ(first->wParam, 7u);
    EXPECT_EQ(first->lParam, -1);
    EXPECT_EQ(m_queue.wait()->message, 1026u);
    const auto third = m_queue.waitFor(0);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->message, 1029u);
    EXPECT_EQ(third->lParam, 42);
    EXPECT_EQ(m_queue.size(), 0u);
}

TEST_F(ThreadMessageQueueTest, KeepsEachPostersOrderUnderConcurrentPosts)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([this, t] {
            for (int i = 0; i < kEach; ++i) {
                m_queue.post(static_cast<std::uint32_t>(t), static_cast<WPARAM>(i));
            }
        });
    }
    std::vector<WPARAM> next(kThreads, 0);
    for (int received = 0; received < kThreads * kEach; ++received) {
        const auto message = m_queue.waitFor(100000);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->wParam, next[message->message]++);
    }
    for (auto& poster : posters) {
        poster.join();
    }
}

TEST_F(ThreadMessageQueueTest, CloseWakesAWaitingOwnerAndRefusesLaterPosts)
{
    std::optional<ThreadMessage> seen = ThreadMessage{};
    std::atomic<bool> waiting{false};
    std::thread owner([&] {
        waiting = true;
        seen = m_queue.wait();
    });
    ASSERT_TRUE(test::waitUntil([&] { return waiting.load(); }));
    m_queue.close();
    owner.join();
    EXPECT_FALSE(seen);

    EXPECT_TRUE(m_queue.closed());
    EXPECT_FALSE(m_queue.post(1025));
    EXPECT_EQ(m_queue.size(), 0u);
    EXPECT_FALSE(m_queue.waitFor(1000));
}

TEST_F(ThreadMessageQueueTest, CloseDropsWhatIsLeft)
{
    m_queue.post(1);
    m_queue.post(2);
    m_queue.close();
    EXPECT_EQ(m_queue.size(), 0u);
    EXPECT_FALSE(m_queue.wait());
}

TEST_F(ThreadMessageQueueTest, WaitForTimesOutInScaledTime)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_queue.waitFor(1000)); // 20 ms at scale 50
    EXPECT_GE(elapsedSince(start), 19ms);
    EXPECT_LT(elapsedSince(start), 1000ms);
}

TEST_F(ThreadMessageQueueTest, WaitForReturnsAMessagePostedWhileWaiting)
{
    std::thread poster([this] { m_queue.post(2127, 9); });
    const auto message = m_queue.waitFor(250000); // 5 s of real time at most
    poster.join();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, 2127u);
    EXPECT_EQ(message->wParam, 9u);
}

// A poster on another thread is done with the queue once its message can be
// served: the owner may close and free the queue right after taking it (the
// device libraries post from their own threads). Under ThreadSanitizer a
// notify after the unlock shows as a race with the destruction.
TEST_F(ThreadMessageQueueTest, OwnerMayFreeTheQueueAsSoonAsTheMessageIsServed)
{
    for (int round = 0; round < 200; ++round) {
        auto queue = std::make_unique<ThreadMessageQueue>();
        std::thread poster([&queue] { queue->post(7, 0, 0); });
        ASSERT_TRUE(queue->wait().has_value());
        queue->close();
        queue.reset();
        poster.join();
    }
}

} // namespace
} // namespace vexlo
