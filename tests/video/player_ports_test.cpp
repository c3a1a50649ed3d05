#include "video/player_ports.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace vexlo {
namespace {

TEST(WallPorts, CountFromOneThousandAndWrapAfterNineThousandNineHundredNinetyNine)
{
    resetWallPortCounterForTesting();
    EXPECT_EQ(takeWallPort(), 1000);
    EXPECT_EQ(takeWallPort(), 1001);
    for (int n = 3; n <= 9000; ++n)
        takeWallPort();
    // 9000 ports handed out so far, the last 9999; the 9001st starts again.
    EXPECT_EQ(takeWallPort(), 1000);
    EXPECT_EQ(takeWallPort(), 1001);
}

TEST(WallPorts, HeadersOnManyThreadsNeverShareAPort)
{
    resetWallPortCounterForTesting();
    constexpr int kThreads = 4;
    constexpr int kEach = 1000; // 4000 ports, less than one round
    std::vector<std::vector<int>> taken(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&taken, t] {
            for (int i = 0; i < kEach; ++i)
                taken[static_cast<std::size_t>(t)].push_back(takeWallPort());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<int> distinct;
    for (const auto& ports : taken)
        distinct.insert(ports.begin(), ports.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(*distinct.begin(), 1000);
    EXPECT_EQ(*distinct.rbegin(), 1000 + kThreads * kEach - 1);
}

TEST(SingleWindowPorts, TheFifteenBitGeneratorOfTheClassicRuntime)
{
    Rand15 random(1);
    EXPECT_EQ(random.next(), 41);
    EXPECT_EQ(random.next(), 18467);
    EXPECT_EQ(random.next(), 6334);
}

TEST(SingleWindowPorts, PortsRunFromOneToTenThousand)
{
    EXPECT_EQ(singleWindowPort(0), 1);
    EXPECT_EQ(singleWindowPort(16383), 5000);
    EXPECT_EQ(singleWindowPort(Rand15::kMax), 10000);
    EXPECT_EQ(singleWindowPort(-7), 1);
    EXPECT_EQ(singleWindowPort(1 << 30), 10000);
    for (std::uint32_t seed : {0u, 1u, 1765000000u, 0xFFFFFFFFu}) {
        Rand15 random(seed);
        for (int i = 0; i < 1000; ++i) {
            const int port = singleWindowPort(random.next());
            ASSERT_GE(port, 1);
            ASSERT_LE(port, 10000);
        }
    }
}

} // namespace
} // namespace vexlo
