#include "recording_target.h"
#include "test_stream.h"

#include "player/ffmpeg_player.h"
#include "sdk/backend.h"
#include "sdk/player.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace vexlo::player {
namespace {

using test::EncodedFrame;
using test::RecordingTarget;
using test::Rgb;
using test::waitUntil;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kYellow{255, 255, 0};

// Sample points away from the moving band and from the halves' border.
bool showsHalves(const sdk::RgbPicture& picture, Rgb left, Rgb right)
{
    return picture.width == test::kTestWidth && picture.height == test::kTestHeight &&
           test::near(test::pixelAt(picture, 80, 120), left) &&
           test::near(test::pixelAt(picture, 240, 120), right) &&
           test::near(test::pixelAt(picture, 20, 170), left) &&
           test::near(test::pixelAt(picture, 300, 170), right);
}

// Threads of this process now.
std::size_t threadCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

const std::vector<EncodedFrame>& redBlueStream()
{
    static const auto frames = test::encodeHalves(kRed, kBlue, 200);
    return frames;
}

const std::vector<EncodedFrame>& greenYellowStream()
{
    static const auto frames = test::encodeHalves(kGreen, kYellow, 40);
    return frames;
}

class FfmpegPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(m_player.Init(), 0); }

    int openVideo(int port, int bufferFrames = 40)
    {
        const auto block = test::videoHeaderBlock();
        return m_player.OpenStream(port, block.data(), static_cast<int>(block.size()),
                                   ORV_STREAM_VIDEO, bufferFrames);
    }

    int openAudio(int port)
    {
        const auto block = test::audioHeaderBlock();
        return m_player.OpenStream(port, block.data(), static_cast<int>(block.size()),
                                   ORV_STREAM_AUDIO, 40);
    }

    int feed(int port, const EncodedFrame& frame)
    {
        return m_player.InputVideoData(port, frame.data.data(), static_cast<int>(frame.data.size()),
                                       frame.frameValue, frame.timestamp);
    }

    void feed(int port, const std::vector<EncodedFrame>& frames, std::size_t from, std::size_t to)
    {
        for (std::size_t i = from; i < to; ++i)
            ASSERT_EQ(feed(port, frames[i]), 0) << "frame " << i;
    }

    PortStats stats(int port) const { return m_player.portStats(port).value_or(PortStats{}); }

    // Every frame handed over is decoded, skipped or dropped by now.
    bool settled(int port, std::uint64_t fed)
    {
        const auto s = m_player.portStats(port);
        return s && s->videoQueued == 0 &&
               s->videoFramesFed + s->videoFramesDropped + s->videoFramesSkipped +
                       s->videoFramesShed >=
                   fed;
    }

    // Declared before the player: the player stops its ports, and so stops
    // presenting, before the targets go away.
    std::array<RecordingTarget, 16> m_targets;
    FfmpegPlayer m_player;
};

TEST_F(FfmpegPlayerTest, OpenPlayFeedStopShowsThePictureAtItsSizeAndColours)
{
    ASSERT_EQ(openVideo(1000), 0);
    ASSERT_EQ(m_player.Play(1000, &m_targets[0]), 0);
    feed(1000, redBlueStream(), 0, 30);

    ASSERT_TRUE(waitUntil([&] { return m_targets[0].pictureCount() == 30; }));
    const auto picture = m_targets[0].newest();
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->rgb.size(), 320u * 180u * 3u);
    EXPECT_TRUE(showsHalves(*picture, kRed, kBlue));
    EXPECT_EQ(stats(1000).videoFramesDropped, 0u);

    EXPECT_EQ(m_player.Stop(1000), 0);
    EXPECT_EQ(m_player.openPortCount(), 0u);
    EXPECT_EQ(m_player.Stop(1000), kPlayerUnknownPort);
    EXPECT_EQ(feed(1000, redBlueStream()[30]), kPlayerUnknownPort);
    EXPECT_EQ(m_player.Play(1000, &m_targets[0]), kPlayerUnknownPort);
}

TEST_F(FfmpegPlayerTest, PlayAfterTheFirstFramesShowsTheFramesFromThenOn)
{
    ASSERT_EQ(openVideo(7), 0);
    feed(7, redBlueStream(), 0, 15);
    ASSERT_TRUE(waitUntil([&] { return stats(7).picturesDecoded == 15; }));
    EXPECT_EQ(m_targets[0].pictureCount(), 0);

    ASSERT_EQ(m_player.Play(7, &m_targets[0]), 0);
    feed(7, redBlueStream(), 15, 30);
    ASSERT_TRUE(waitUntil([&] { return m_targets[0].pictureCount() == 15; }));
    EXPECT_TRUE(showsHalves(*m_targets[0].newest(), kRed, kBlue));
}

TEST_F(FfmpegPlayerTest, PlayOnAPortNotYetOpenedFailsAndIsNotRemembered)
{
    EXPECT_EQ(m_player.Play(42, &m_targets[0]), kPlayerUnknownPort);
    EXPECT_EQ(m_player.openPortCount(), 0u);

    ASSERT_EQ(openVideo(42), 0);
    feed(42, redBlueStream(), 0, 10);
    ASSERT_TRUE(waitUntil([&] { return stats(42).picturesDecoded == 10; }));
    EXPECT_EQ(m_targets[0].pictureCount(), 0);
}

TEST_F(FfmpegPlayerTest, PlayAgainMovesThePicturesAndNullStopsThem)
{
    ASSERT_EQ(openVideo(3), 0);
    ASSERT_EQ(m_player.Play(3, &m_targets[0]), 0);
    feed(3, redBlueStream(), 0, 10);
    ASSERT_TRUE(waitUntil([&] { return m_targets[0].pictureCount() == 10; }));

    ASSERT_EQ(m_player.Play(3, &m_targets[1]), 0);
    feed(3, redBlueStream(), 10, 20);
    ASSERT_TRUE(waitUntil([&] { return m_targets[1].pictureCount() == 10; }));
    EXPECT_EQ(m_targets[0].pictureCount(), 10);

    ASSERT_EQ(m_player.Play(3, nullptr), 0);
    feed(3, redBlueStream(), 20, 30);
    ASSERT_TRUE(waitUntil([&] { return settled(3, 30); }));
    EXPECT_EQ(m_targets[0].pictureCount(), 10);
    EXPECT_EQ(m_targets[1].pictureCount(), 10);
    EXPECT_EQ(stats(3).picturesDecoded, 30u);
}

TEST_F(FfmpegPlayerTest, RefusedHeadersLeaveNoPortBehind)
{
    const auto video = test::videoHeaderBlock();
    const auto audio = test::audioHeaderBlock();
    const auto h265 = test::videoHeaderBlock("H265");

    EXPECT_EQ(m_player.OpenStream(1, h265.data(), 536, ORV_STREAM_VIDEO, 40), kPlayerBadHeader);
    EXPECT_EQ(m_player.OpenStream(1, video.data(), 535, ORV_STREAM_VIDEO, 40), kPlayerBadHeader);
    EXPECT_EQ(m_player.OpenStream(1, nullptr, 536, ORV_STREAM_VIDEO, 40), kPlayerBadHeader);
    EXPECT_EQ(m_player.OpenStream(1, audio.data(), 276, ORV_STREAM_VIDEO, 40), kPlayerBadHeader);
    EXPECT_EQ(m_player.OpenStream(1, video.data(), 536, ORV_STREAM_AUDIO, 40), kPlayerBadHeader);
    EXPECT_EQ(m_player.OpenStream(1, video.data(), 536, 2, 40), kPlayerBadArgument);
    EXPECT_EQ(m_player.OpenStream(1, video.data(), 536, -1, 40), kPlayerBadArgument);

    EXPECT_EQ(m_player.openPortCount(), 0u);
    EXPECT_EQ(m_player.Stop(1), kPlayerUnknownPort);
    EXPECT_EQ(feed(1, redBlueStream()[0]), kPlayerUnknownPort);
}

TEST_F(FfmpegPlayerTest, SecondOpenOfTheSameKindFailsAndKeepsTheFirstStream)
{
    ASSERT_EQ(openVideo(5), 0);
    ASSERT_EQ(m_player.Play(5, &m_targets[0]), 0);
    feed(5, redBlueStream(), 0, 5);
    EXPECT_EQ(openVideo(5), kPlayerAlreadyOpen);
    ASSERT_EQ(openAudio(5), 0);
    EXPECT_EQ(openAudio(5), kPlayerAlreadyOpen);
    feed(5, redBlueStream(), 5, 10);
    ASSERT_TRUE(waitUntil([&] { return m_targets[0].pictureCount() == 10; }));
    EXPECT_EQ(m_player.openPortCount(), 1u);
}

TEST_F(FfmpegPlayerTest, AudioIsDecodedOnItsOwnStreamOfThePort)
{
    ASSERT_EQ(openAudio(9), 0);
    EXPECT_EQ(feed(9, redBlueStream()[0]), kPlayerNotOpen);
    for (int i = 0; i < 10; ++i) {
        const auto samples = test::alawToneFrame(i);
        ASSERT_EQ(
            m_player.InputAudioData(9, samples.data(), static_cast<int>(samples.size()), i * 100),
            0);
    }
    ASSERT_TRUE(waitUntil([&] { return stats(9).audioFramesDecoded == 10; }));
    EXPECT_EQ(stats(9).audioSamplesDecoded, 8000u);

    // The wall feeds audio to ports it opened for video only.
    ASSERT_EQ(openVideo(10), 0);
    const auto samples = test::alawToneFrame(0);
    EXPECT_EQ(m_player.InputAudioData(10, samples.data(), 800, 0), kPlayerNotOpen);
}

TEST_F(FfmpegPlayerTest, FrameArgumentsAreChecked)
{
    ASSERT_EQ(openVideo(11), 0);
    ASSERT_EQ(openAudio(11), 0);
    const std::uint8_t byte = 0;
    EXPECT_EQ(m_player.InputVideoData(11, nullptr, 10, 1, 0), kPlayerBadArgument);
    EXPECT_EQ(m_player.InputVideoData(11, &byte, 0, 1, 0), kPlayerBadArgument);
    EXPECT_EQ(m_player.InputVideoData(11, &byte, -5, 1, 0), kPlayerBadArgument);
    EXPECT_EQ(m_player.InputAudioData(11, nullptr, 800, 0), kPlayerBadArgument);
    EXPECT_EQ(m_player.InputAudioData(11, &byte, 0, 0), kPlayerBadArgument);
    const std::vector<std::uint8_t> huge(static_cast<std::size_t>(kMaxFrameBytes) + 1);
    EXPECT_EQ(m_player.InputVideoData(11, huge.data(), static_cast<int>(huge.size()), 1, 0),
              kPlayerFrameTooLarge);
    EXPECT_EQ(m_player.InputVideoData(12, &byte, 1, 1, 0), kPlayerUnknownPort);
    EXPECT_EQ(m_player.InputAudioData(12, &byte, 1, 0), kPlayerUnknownPort);
}

TEST_F(FfmpegPlayerTest, GarbageIsDroppedAndTheNextKeyFrameDecodesAgain)
{
    // Every picture shown must be one of the two streams, never a smear.
    struct CheckingTarget : sdk::RenderTarget
    {
        void presentPicture(std::shared_ptr<const sdk::RgbPicture> picture) override
        {
            std::lock_guard lock(mutex);
            ++count;
            if (showsHalves(*picture, kGreen, kYellow))
                ++second;
            else if (!showsHalves(*picture, kRed, kBlue))
                ++broken;
        }
        std::mutex mutex;
        int count = 0;
        int second = 0;
        int broken = 0;
    };
    static CheckingTarget target; // outlives the player of every test

    const auto& first = redBlueStream();
    const auto& second = greenYellowStream();
    ASSERT_EQ(openVideo(20), 0);
    ASSERT_EQ(m_player.Play(20, &target), 0);
    feed(20, first, 0, 5);

    std::mt19937 random(20261207);
    std::uint64_t fed = 5;
    auto feedBytes = [&](std::vector<std::uint8_t> bytes, int frameValue) {
        ASSERT_EQ(m_player.InputVideoData(20, bytes.data(), static_cast<int>(bytes.size()),
                                          frameValue, 0),
                  0);
        ++fed;
    };
    for (int i = 0; i < 20; ++i) {
        std::vector<std::uint8_t> bytes(1 + random() % 3000);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        if (i % 2 == 0) {
            // Start codes followed by random NAL units, so the parser gets past the framing.
            for (std::size_t at = 0; at + 8 < bytes.size(); at += 97) {
                bytes[at] = 0;
                bytes[at + 1] = 0;
                bytes[at + 2] = 0;
                bytes[at + 3] = 1;
            }
        }
        feedBytes(std::move(bytes), i % 3 == 0 ? 1 : 0);
    }
    // Units cut short: a key frame and the frames that follow it.
    for (std::size_t i = 10; i < 15; ++i) {
        const auto& unit = first[i].data;
        feedBytes(std::vector<std::uint8_t>(unit.begin(), unit.begin() + unit.size() / 3),
                  first[i].frameValue);
    }
    feedBytes({0, 0, 0, 1}, 1);
    feedBytes({0}, 0);

    feed(20, second, 0, 20);
    fed += 20;
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(target.mutex);
        return target.second >= 10;
    }));
    ASSERT_TRUE(waitUntil([&] { return settled(20, fed); }));
    std::lock_guard lock(target.mutex);
    EXPECT_EQ(target.broken, 0);
    EXPECT_GE(target.count, 15); // most of the good frames on either side show
    EXPECT_GT(stats(20).videoFramesRejected + stats(20).videoFramesSkipped, 0u);
}

TEST_F(FfmpegPlayerTest, DecodingStartsAtTheFirstKeyFrame)
{
    std::mutex fedMutex;
    std::vector<int> fedIndexes;
    m_player.setFeedObserverForTesting([&](int, int, int timestamp) {
        std::lock_guard lock(fedMutex);
        fedIndexes.push_back(timestamp);
    });
    ASSERT_EQ(openVideo(25), 0);
    ASSERT_EQ(m_player.Play(25, &m_targets[0]), 0);
    // Joining a stream in the middle: frames 3..9 refer to a key frame never seen.
    feed(25, redBlueStream(), 3, 30);
    ASSERT_TRUE(waitUntil([&] { return m_targets[0].pictureCount() == 20; }));
    ASSERT_TRUE(waitUntil([&] { return settled(25, 27); }));
    EXPECT_EQ(stats(25).videoFramesSkipped, 7u);
    EXPECT_TRUE(showsHalves(*m_targets[0].newest(), kRed, kBlue));
    std::lock_guard lock(fedMutex);
    ASSERT_FALSE(fedIndexes.empty());
    EXPECT_EQ(fedIndexes.front(), 10);
}

TEST_F(FfmpegPlayerTest, SlowTargetMakesThePortDropFramesWithoutBreakingReferences)
{
    std::mutex fedMutex;
    std::vector<std::pair<int, int>> fedFrames; // (frame value, index) as the decoder got them
    m_player.setFeedObserverForTesting([&](int, int frameValue, int timestamp) {
        std::lock_guard lock(fedMutex);
        fedFrames.emplace_back(frameValue, timestamp);
    });

    const auto& frames = redBlueStream();
    RecordingTarget& target = m_targets[0];
    target.holdPictures();
    ASSERT_EQ(openVideo(30), 0);
    ASSERT_EQ(m_player.Play(30, &target), 0);
    feed(30, frames, 0, 1);
    // The decode thread is now stuck handing picture 0 to the target.
    ASSERT_TRUE(waitUntil([&] { return stats(30).picturesDecoded == 1; }));

    // Stop short of a key frame boundary, so that keeping just the newest 40
    // frames would start the decoder on a frame that is not a key frame.
    constexpr std::size_t kFed = 197;
    feed(30, frames, 1, kFed);
    const PortStats held = stats(30);
    EXPECT_EQ(held.videoQueueCapacity, 40u);
    EXPECT_LE(held.videoQueued, 40u);
    EXPECT_LE(held.videoQueuePeak, 40u);
    EXPECT_GE(held.videoFramesDropped, kFed - 1 - 40);

    target.releasePictures();
    ASSERT_TRUE(waitUntil([&] { return settled(30, kFed); }));
    // The last key frame (190) and everything after it reach the target.
    ASSERT_TRUE(waitUntil([&] { return target.pictureCount() >= 8; }));

    std::lock_guard lock(fedMutex);
    ASSERT_FALSE(fedFrames.empty());
    EXPECT_EQ(fedFrames.front(), std::make_pair(1, 0));
    EXPECT_EQ(fedFrames.back().second, static_cast<int>(kFed) - 1);
    for (std::size_t i = 1; i < fedFrames.size(); ++i) {
        if (fedFrames[i].first == 1)
            continue;
        EXPECT_EQ(fedFrames[i].second, fedFrames[i - 1].second + 1)
            << "frame " << fedFrames[i].second << " reached the decoder without its reference";
    }
    EXPECT_LT(fedFrames.size(), kFed);
}

TEST_F(FfmpegPlayerTest, StopWhileAnotherThreadFeedsEndsCleanly)
{
    const auto& frames = redBlueStream();
    RecordingTarget& target = m_targets[0];
    ASSERT_EQ(openVideo(40), 0);
    ASSERT_EQ(openAudio(40), 0);
    ASSERT_EQ(m_player.Play(40, &target), 0);

    std::atomic<int> refusedWith{0};
    std::thread feeder([&] {
        const auto samples = test::alawToneFrame(0);
        for (std::size_t i = 0;; ++i) {
            const EncodedFrame& frame = frames[i % 60]; // 60 is a multiple of the key interval
            int status = feed(40, frame);
            if (status == 0)
                status = m_player.InputAudioData(40, samples.data(), 800, 0);
            if (status != 0) {
                refusedWith = status;
                return;
            }
            if (i % 8 == 0)
                std::this_thread::yield();
        }
    });

    ASSERT_TRUE(waitUntil([&] { return target.pictureCount() >= 3; }));
    EXPECT_EQ(m_player.Stop(40), 0);
    target.close();
    const int shownAtStop = target.pictureCount();
    feeder.join();

    EXPECT_EQ(refusedWith.load(), kPlayerUnknownPort);
    EXPECT_EQ(target.picturesAfterClose(), 0);
    EXPECT_EQ(target.pictureCount(), shownAtStop);
    EXPECT_EQ(m_player.openPortCount(), 0u);

    // The caller's port counter wraps, so a stopped port number comes back.
    ASSERT_EQ(openVideo(40), 0);
    ASSERT_EQ(m_player.Play(40, &m_targets[1]), 0);
    feed(40, frames, 0, 10);
    ASSERT_TRUE(waitUntil([&] { return m_targets[1].pictureCount() == 10; }));
}

TEST_F(FfmpegPlayerTest, StopFromInsideTheTargetDoesNotDeadlock)
{
    struct StoppingTarget : sdk::RenderTarget
    {
        void presentPicture(std::shared_ptr<const sdk::RgbPicture>) override
        {
            if (!stopped.exchange(true))
                result = player->Stop(port);
        }
        FfmpegPlayer* player = nullptr;
        int port = 0;
        std::atomic<bool> stopped{false};
        std::atomic<int> result{1};
    };
    static StoppingTarget target; // its decode thread may still be leaving it after the test
    target.player = &m_player;
    target.port = 50;
    target.stopped = false;
    target.result = 1;

    ASSERT_EQ(openVideo(50), 0);
    ASSERT_EQ(m_player.Play(50, &target), 0);
    // The first picture stops the port, possibly while frames are still fed.
    for (std::size_t i = 0; i < 10; ++i) {
        if (feed(50, redBlueStream()[i]) != 0)
            break;
    }
    ASSERT_TRUE(waitUntil([&] { return target.result.load() != 1; }));
    EXPECT_EQ(target.result.load(), 0);
    EXPECT_EQ(m_player.openPortCount(), 0u);
}

TEST_F(FfmpegPlayerTest, PlayFromInsideTheTargetRebindsWithoutDeadlock)
{
    struct HandingOverTarget : sdk::RenderTarget
    {
        void presentPicture(std::shared_ptr<const sdk::RgbPicture>) override
        {
            ++count;
            result = player->Play(port, next);
        }
        FfmpegPlayer* player = nullptr;
        sdk::RenderTarget* next = nullptr;
        int port = 0;
        std::atomic<int> count{0};
        std::atomic<int> result{1};
    };
    HandingOverTarget first;
    first.player = &m_player;
    first.next = &m_targets[1];
    first.port = 55;

    ASSERT_EQ(openVideo(55), 0);
    ASSERT_EQ(m_player.Play(55, &first), 0);
    feed(55, redBlueStream(), 0, 10);
    ASSERT_TRUE(waitUntil([&] { return m_targets[1].pictureCount() == 9; }));
    EXPECT_EQ(first.count.load(), 1);
    EXPECT_EQ(first.result.load(), 0);
    EXPECT_EQ(m_player.Stop(55), 0); // before `first` goes away
}

TEST_F(FfmpegPlayerTest, SixteenPortsDecodeIndependentlyOnThePlayersOwnThreads)
{
    constexpr int kPorts = 16;
    std::vector<std::pair<Rgb, Rgb>> colours;
    std::vector<std::vector<EncodedFrame>> streams;
    for (int i = 0; i < kPorts; ++i) {
        const auto level = static_cast<std::uint8_t>(40 + i * 12);
        const Rgb left{level, static_cast<std::uint8_t>(255 - level), 60};
        const Rgb right{200, 60, level};
        colours.emplace_back(left, right);
        streams.push_back(test::encodeHalves(left, right, 20));
    }
    const std::size_t threadsBefore = threadCount();
    for (int i = 0; i < kPorts; ++i) {
        ASSERT_EQ(openVideo(1000 + i), 0);
        ASSERT_EQ(m_player.Play(1000 + i, &m_targets[static_cast<std::size_t>(i)]), 0);
    }

    std::vector<std::thread> feeders;
    for (int t = 0; t < 4; ++t) {
        feeders.emplace_back([&, t] {
            for (std::size_t frame = 0; frame < 20; ++frame)
                for (int i = t; i < kPorts; i += 4)
                    feed(1000 + i, streams[static_cast<std::size_t>(i)][frame]);
        });
    }
    for (auto& feeder : feeders)
        feeder.join();

    for (int i = 0; i < kPorts; ++i) {
        RecordingTarget& target = m_targets[static_cast<std::size_t>(i)];
        ASSERT_TRUE(waitUntil([&] { return target.pictureCount() == 20; })) << "port " << i;
        EXPECT_TRUE(showsHalves(*target.newest(), colours[static_cast<std::size_t>(i)].first,
                                colours[static_cast<std::size_t>(i)].second))
            << "port " << i;
    }
    // The player's own decode threads did all of it: none per port.
    EXPECT_EQ(threadCount(), threadsBefore);
    for (int i = 0; i < kPorts; ++i)
        EXPECT_EQ(m_player.Stop(1000 + i), 0);
}

// A pane that shows pictures much smaller than they are gets them scaled down
// (a little smaller, it scales them itself); and while its port is behind it
// gets only the key frames' pictures, where a large pane gets every one.
TEST_F(FfmpegPlayerTest, APaneMuchSmallerGetsScaledPicturesAndOnlyKeyFramesWhileBehind)
{
    const auto& frames = redBlueStream();
    RecordingTarget& small = m_targets[0];
    RecordingTarget& large = m_targets[1];
    small.setBounds(test::kTestWidth / 2, test::kTestHeight / 2);
    large.setBounds(test::kTestWidth * 2 / 3, test::kTestHeight * 2 / 3);
    for (const int port : {40, 41}) {
        ASSERT_EQ(openVideo(port), 0);
        ASSERT_EQ(m_player.Play(port, port == 40 ? &small : &large), 0);
    }
    for (RecordingTarget* target : {&small, &large})
        target->holdPictures();
    feed(40, frames, 0, 1);
    feed(41, frames, 0, 1);
    ASSERT_TRUE(waitUntil([&] { return stats(40).picturesDecoded == 1; }));
    ASSERT_TRUE(waitUntil([&] { return stats(41).picturesDecoded == 1; }));
    // Both ports fall behind by more than half their queue of 40.
    feed(40, frames, 1, 40);
    feed(41, frames, 1, 40);
    for (RecordingTarget* target : {&small, &large})
        target->releasePictures();
    ASSERT_TRUE(waitUntil([&] { return settled(40, 40) && settled(41, 40); }));

    const auto scaled = small.newest();
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->width, test::kTestWidth / 2);
    EXPECT_EQ(scaled->height, test::kTestHeight / 2);
    EXPECT_TRUE(test::near(test::pixelAt(*scaled, 40, 60), kRed));
    EXPECT_TRUE(test::near(test::pixelAt(*scaled, 120, 60), kBlue));
    EXPECT_GT(stats(40).videoFramesShed, 0u);
    EXPECT_EQ(small.pictureCount(), 4) << "frame 0 and the key frames 10, 20 and 30";

    EXPECT_TRUE(showsHalves(*large.newest(), kRed, kBlue)) << "at its own size";
    EXPECT_EQ(stats(41).videoFramesShed, 0u);
    EXPECT_EQ(large.pictureCount(), 40);
}

TEST_F(FfmpegPlayerTest, ContractCallsReachTheInstalledPlayer)
{
    ASSERT_EQ(sdk::installPlayer(&m_player), nullptr);
    EXPECT_EQ(IP_ORV_Init(), 0);
    EXPECT_EQ(IP_ORV_Init(), 0);
    const auto video = test::videoHeaderBlock();
    const auto audio = test::audioHeaderBlock();
    EXPECT_EQ(IP_ORV_OpenStream(6000, video.data(), 536, 0, 40), 0);
    EXPECT_EQ(IP_ORV_OpenStream(6000, audio.data(), 276, 1, 40), 0);
    EXPECT_EQ(IP_ORV_Play(6000, &m_targets[0]), 0);
    for (std::size_t i = 0; i < 10; ++i) {
        const auto& frame = redBlueStream()[i];
        EXPECT_EQ(IP_ORV_InputVideoData(6000, frame.data.data(),
                                        static_cast<int>(frame.data.size()), frame.frameValue,
                                        static_cast<int>(i) * 100),
                  0);
        const auto samples = test::alawToneFrame(static_cast<int>(i));
        EXPECT_EQ(IP_ORV_InputAudioData(6000, samples.data(), 800, static_cast<int>(i) * 100), 0);
    }
    EXPECT_TRUE(waitUntil([&] { return m_targets[0].pictureCount() == 10; }));
    EXPECT_TRUE(waitUntil([&] { return stats(6000).audioFramesDecoded == 10; }));
    EXPECT_EQ(IP_ORV_Stop(6000), 0);
    EXPECT_NE(IP_ORV_Stop(6000), 0);
    sdk::installPlayer(nullptr);
}

} // namespace
} // namespace vexlo::player
