#include "test_support.h"

#include "platform/tick.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace vexlo {
namespace {

using namespace std::chrono_literals;
using test::elapsedSince;
using test::waitUntil;

TEST(TimeScaleText, AcceptsPositiveDecimalNumbers)
{
    EXPECT_DOUBLE_EQ(parseTimeScale("50"), 50.0);
    EXPECT_DOUBLE_EQ(parseTimeScale("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(parseTimeScale("2.25"), 2.25);
}

TEST(TimeScaleText, AnythingElseMeansOne)
{
    for (const char* text : {"", "0", "-5", "abc", "5x", " 5", "1e3", "inf", "nan", "0x10", "."}) {
        EXPECT_DOUBLE_EQ(parseTimeScale(text), 1.0) << '"' << text << '"';
    }
    EXPECT_DOUBLE_EQ(parseTimeScale(nullptr), 1.0);
}

TEST(TickDiff, IsExactAcrossTheWrap)
{
    EXPECT_EQ(tickDiff(5u, 0xFFFFFFF0u), 21u);
    EXPECT_EQ(tickDiff(0u, 0xFFFFFFFFu), 1u);
    EXPECT_EQ(tickDiff(1000u, 1000u), 0u);
    EXPECT_EQ(tickDiff(0x7FFFFFFFu, 0x80000000u), 0xFFFFFFFFu); // a start in the future
}

class TickCounter : public test::ScaledTimeTest
{
protected:
    TickCounter() : ScaledTimeTest(100.0) {}
};

TEST_F(TickCounter, RunsOnAcrossTheWrap)
{
    const std::uint32_t start = 0xFFFFFFFFu - 300u;
    setTickForTesting(start);
    const auto realStart = std::chrono::steady_clock::now();

    ASSERT_TRUE(waitUntil([&] { return GetTickCount() < start; })) << "the counter never wrapped";
    ASSERT_TRUE(waitUntil([&] { return ticksSince(start) >= 1000u; }));
    const std::uint32_t since = ticksSince(start);
    EXPECT_LT(since, 100000u) << "the difference must not see the wrap as a jump";
    // 1000 ms of scaled time are 10 ms of real time at scale 100.
    EXPECT_GE(elapsedSince(realStart), 9ms);
}

TEST_F(TickCounter, ChangeOfScaleKeepsTheCounterContinuous)
{
    setTickForTesting(12345u);
    const std::uint32_t before = GetTickCount();
    setTimeScaleForTesting(1.0);
    const std::uint32_t after = GetTickCount();
    EXPECT_LT(tickDiff(after, before), 1000u);
    EXPECT_GE(after, 12345u);
}

TEST_F(TickCounter, SleepTakesScaledRealTimeAndAdvancesTheCounterFully)
{
    const std::uint32_t tickStart = GetTickCount();
    const auto realStart = std::chrono::steady_clock::now();
    Sleep(2000); // 20 ms of real time
    EXPECT_GE(ticksSince(tickStart), 2000u);
    EXPECT_GE(elapsedSince(realStart), 19ms);
    EXPECT_LT(elapsedSince(realStart), 1000ms);
}

TEST_F(TickCounter, ScaledDurationDividesByTheScale)
{
    EXPECT_EQ(scaledDuration(1500), 15ms);
    EXPECT_EQ(scaledDuration(0), 0ms);
    setTimeScaleForTesting(0.5);
    EXPECT_EQ(scaledDuration(100), 200ms);
    EXPECT_DOUBLE_EQ(timeScale(), 0.5);
    setTimeScaleForTesting(-3.0);
    EXPECT_DOUBLE_EQ(timeScale(), 1.0) << "a scale that is not positive means 1";
}

TEST_F(TickCounter, ReadsAndChangesFromManyThreadsAreSafe)
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                (void)GetTickCount();
                (void)scaledDuration(10);
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        setTimeScaleForTesting(i % 2 == 0 ? 50.0 : 100.0);
        setTickForTesting(static_cast<std::uint32_t>(i));
    }
    stop = true;
    for (auto& reader : readers) {
        reader.join();
    }
}

} // namespace
} // namespace vexlo
