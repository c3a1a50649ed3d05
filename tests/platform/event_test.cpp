#include "test_support.h"

#include "platform/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vexlo {
namespace {

using namespace std::chrono_literals;
using test::elapsedSince;

class AutoResetEventTest : public test::ScaledTimeTest
{
protected:
    AutoResetEvent m_event;
};

TEST_F(AutoResetEventTest, ASetWithNobodyWaitingIsKeptForTheNextWaitOnly)
{
    m_event.set();
    m_event.set(); // not counted: still one signal
    EXPECT_TRUE(m_event.wait(0));
    EXPECT_FALSE(m_event.wait(0)) << "the event resets itself";
}

TEST_F(AutoResetEventTest, WaitTimesOutInScaledTime)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_event.wait(1000)); // 20 ms at scale 50
    EXPECT_GE(elapsedSince(start), 19ms);
    EXPECT_LT(elapsedSince(start), 1000ms);
}

TEST_F(AutoResetEventTest, ResetClearsAPendingSignal)
{
    m_event.set();
    m_event.reset();
    EXPECT_FALSE(m_event.wait(0));
}

TEST_F(AutoResetEventTest, ASetReleasesOneOfTwoWaiters)
{
    std::atomic<int> released{0};
    auto waiter = [&] {
        if (m_event.wait(250000)) {
            ++released;
        }
    };
    std::thread first(waiter);
    std::thread second(waiter);
    m_event.set();
    ASSERT_TRUE(test::waitUntil([&] { return released == 1; }));
    m_event.set();
    first.join();
    second.join();
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(m_event.wait(0)) << "both signals were taken";
}

TEST(NamedEvent, OneNameIsOneEventAcrossTheProcess)
{
    const auto a = openNamedEvent("vexlo-test-event");
    const auto b = openNamedEvent("vexlo-test-event");
    const auto other = openNamedEvent("vexlo-other-event");
    ASSERT_TRUE(a);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), other.get());

    a->set();
    EXPECT_FALSE(other->wait(0));
    EXPECT_TRUE(b->wait(0));
}

} // namespace
} // namespace vexlo
