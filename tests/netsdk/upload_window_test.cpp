#include "netsdk/upload_window.h"

#include <gtest/gtest.h>

namespace vexlo::netsdk {
namespace {

TEST(UploadWindow, SendsNothingUntilTheCameraIsReady)
{
    UploadWindow window(1000, 100, 4);
    EXPECT_FALSE(window.takeNextChunk());
    EXPECT_FALSE(window.acknowledge(100)); // not a readiness answer
    EXPECT_TRUE(window.acknowledge(0));
    EXPECT_TRUE(window.ready());
    EXPECT_TRUE(window.takeNextChunk());
}

TEST(UploadWindow, KeepsAtMostTheWindowUnacknowledged)
{
    UploadWindow window(1000, 100, 4);
    window.acknowledge(0);
    for (std::uint32_t i = 0; i < 4; ++i) {
        const auto chunk = window.takeNextChunk();
        ASSERT_TRUE(chunk);
        EXPECT_EQ(chunk->offset, i * 100);
        EXPECT_EQ(chunk->length, 100u);
    }
    EXPECT_FALSE(window.takeNextChunk());
    EXPECT_TRUE(window.acknowledge(100));
    const auto next = window.takeNextChunk();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->offset, 400u);
    EXPECT_FALSE(window.takeNextChunk());
}

TEST(UploadWindow, LastChunkIsShortAndProgressIsExact)
{
    UploadWindow window(250, 100, 4);
    window.acknowledge(0);
    window.takeNextChunk();
    window.takeNextChunk();
    const auto last = window.takeNextChunk();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->offset, 200u);
    EXPECT_EQ(last->length, 50u);
    EXPECT_FALSE(window.takeNextChunk());
    EXPECT_EQ(window.percent(), 0);
    window.acknowledge(100);
    EXPECT_EQ(window.percent(), 40);
    window.acknowledge(249);         // a camera may acknowledge any byte count it stored
    EXPECT_EQ(window.percent(), 99); // rounded down, never 100 before the last byte
    EXPECT_FALSE(window.everyByteAcknowledged());
    window.acknowledge(250);
    EXPECT_EQ(window.percent(), 100);
    EXPECT_TRUE(window.everyByteAcknowledged());
}

TEST(UploadWindow, IgnoresAcknowledgementsThatMakeNoSense)
{
    UploadWindow window(1000, 100, 4);
    window.acknowledge(0);
    window.takeNextChunk();
    EXPECT_FALSE(window.acknowledge(200)); // more than was sent
    EXPECT_TRUE(window.acknowledge(100));
    EXPECT_FALSE(window.acknowledge(50)); // going backwards
    EXPECT_EQ(window.acknowledged(), 100u);
}

TEST(UploadWindow, LargeFilesDoNotOverflowThePercent)
{
    UploadWindow window(0xFFFFFFFFu, 65536, 4);
    window.acknowledge(0);
    for (int i = 0; i < 4; ++i)
        window.takeNextChunk();
    window.acknowledge(4 * 65536);
    EXPECT_EQ(window.percent(), 0);
}

} // namespace
} // namespace vexlo::netsdk
