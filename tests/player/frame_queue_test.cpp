#include "player/frame_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vexlo::player {
namespace {

// Frames named by their index in the stream; `key` marks key frames.
QueuedFrame frame(int index, bool key, std::size_t bytes = 10)
{
    QueuedFrame f;
    f.data.assign(bytes, 0);
    f.frameValue = key ? 1 : 0;
    f.timestamp = index;
    return f;
}

std::vector<int> drain(VideoFrameQueue& queue)
{
    std::vector<int> order;
    while (auto f = queue.pop())
        order.push_back(f->timestamp);
    return order;
}

// Each non-key frame that comes out must directly follow the one before it in
// the stream: otherwise the decoder would get a frame whose reference is gone.
void expectDecodable(const std::vector<int>& order, const std::vector<int>& keyFrames)
{
    for (std::size_t i = 0; i < order.size(); ++i) {
        const bool key = std::find(keyFrames.begin(), keyFrames.end(), order[i]) != keyFrames.end();
        if (key)
            continue;
        ASSERT_GT(i, 0u) << "stream starts with non-key frame " << order[i];
        EXPECT_EQ(order[i], order[i - 1] + 1) << "frame " << order[i] << " lost its reference";
    }
}

TEST(VideoFrameQueue, KeepsOrderWhileThereIsRoom)
{
    VideoFrameQueue queue(4, 1000);
    EXPECT_TRUE(queue.push(frame(0, true)));
    EXPECT_TRUE(queue.push(frame(1, false)));
    EXPECT_TRUE(queue.push(frame(2, false)));
    EXPECT_EQ(drain(queue), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(queue.droppedCount(), 0u);
    EXPECT_EQ(queue.queuedBytes(), 0u);
}

TEST(VideoFrameQueue, FullQueueDropsTheOldFramesUpToAQueuedKeyFrame)
{
    VideoFrameQueue queue(4, 1000);
    queue.push(frame(0, true));
    queue.push(frame(1, false));
    queue.push(frame(2, true));
    queue.push(frame(3, false));
    EXPECT_TRUE(queue.push(frame(4, false)));
    EXPECT_EQ(queue.droppedCount(), 2u);
    EXPECT_EQ(drain(queue), (std::vector<int>{2, 3, 4}));
}

TEST(VideoFrameQueue, FullQueueWithoutLaterKeyFrameDropsTheNewFrameAndItsFollowers)
{
    VideoFrameQueue queue(3, 1000);
    queue.push(frame(0, true));
    queue.push(frame(1, false));
    queue.push(frame(2, false));
    EXPECT_FALSE(queue.push(frame(3, false)));
    // Room again, but 4 and 5 refer to the dropped 3.
    EXPECT_EQ(queue.pop()->timestamp, 0);
    EXPECT_FALSE(queue.push(frame(4, false)));
    EXPECT_FALSE(queue.push(frame(5, false)));
    EXPECT_TRUE(queue.push(frame(6, true)));
    EXPECT_TRUE(queue.push(frame(7, false)));
    // 7 met a full queue again: 1 and 2 went, since decoding can resume at 6.
    EXPECT_EQ(queue.droppedCount(), 5u);
    EXPECT_EQ(drain(queue), (std::vector<int>{6, 7}));
}

TEST(VideoFrameQueue, KeyFrameArrivingAtAFullQueueReplacesIt)
{
    VideoFrameQueue queue(3, 1000);
    queue.push(frame(0, true));
    queue.push(frame(1, false));
    queue.push(frame(2, false));
    EXPECT_TRUE(queue.push(frame(3, true)));
    EXPECT_EQ(queue.droppedCount(), 3u);
    EXPECT_EQ(drain(queue), (std::vector<int>{3}));
}

TEST(VideoFrameQueue, ByteLimitCountsAsFullToo)
{
    VideoFrameQueue queue(100, 50);
    queue.push(frame(0, true, 20));
    queue.push(frame(1, false, 20));
    EXPECT_FALSE(queue.push(frame(2, false, 20)));
    EXPECT_TRUE(queue.push(frame(3, true, 40)));
    EXPECT_LE(queue.queuedBytes(), 50u);
    EXPECT_EQ(drain(queue), (std::vector<int>{3}));
}

TEST(VideoFrameQueue, LongOverloadStaysBoundedAndDecodable)
{
    // A producer three times faster than the consumer, key frame every 10.
    VideoFrameQueue queue(8, 1 << 20);
    std::vector<int> consumed;
    std::vector<int> keys;
    for (int i = 0; i < 3000; ++i) {
        const bool key = i % 10 == 0;
        if (key)
            keys.push_back(i);
        queue.push(frame(i, key));
        ASSERT_LE(queue.size(), 8u);
        if (i % 3 == 0) {
            if (auto f = queue.pop())
                consumed.push_back(f->timestamp);
        }
    }
    for (int i : drain(queue))
        consumed.push_back(i);
    EXPECT_EQ(queue.peakSize(), 8u);
    EXPECT_GT(queue.droppedCount(), 1000u);
    EXPECT_GT(consumed.size(), 900u);
    EXPECT_EQ(consumed.size() + queue.droppedCount(), 3000u);
    expectDecodable(consumed, keys);
}

TEST(VideoFrameQueue, CapacityOfZeroStillHoldsOneFrame)
{
    VideoFrameQueue queue(0, 1000);
    EXPECT_TRUE(queue.push(frame(0, true)));
    EXPECT_FALSE(queue.push(frame(1, false)));
    EXPECT_EQ(queue.size(), 1u);
}

TEST(AudioFrameQueue, FullQueueLosesTheOldestFrame)
{
    AudioFrameQueue queue(2);
    queue.push(frame(0, false));
    queue.push(frame(1, false));
    queue.push(frame(2, false));
    EXPECT_EQ(queue.droppedCount(), 1u);
    EXPECT_EQ(queue.pop()->timestamp, 1);
    EXPECT_EQ(queue.pop()->timestamp, 2);
    EXPECT_FALSE(queue.pop());
}

} // namespace
} // namespace vexlo::player
