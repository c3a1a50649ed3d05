#include "ipcsim/live_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace vexlo::ipcsim;

namespace {

template <std::size_t N>
std::uint32_t u32At(const std::array<std::uint8_t, N>& block, std::size_t at)
{
    return static_cast<std::uint32_t>(block[at]) | static_cast<std::uint32_t>(block[at + 1]) << 8 |
           static_cast<std::uint32_t>(block[at + 2]) << 16 |
           static_cast<std::uint32_t>(block[at + 3]) << 24;
}

template <std::size_t N> bool zeroFrom(const std::array<std::uint8_t, N>& block, std::size_t from)
{
    return std::all_of(block.begin() + static_cast<std::ptrdiff_t>(from), block.end(),
                       [](std::uint8_t byte) { return byte == 0; });
}

// A loop of 20 made-up units with key frames at 0 and 10: the stream's
// arithmetic without the encoder.
StreamLoop fakeLoop()
{
    StreamLoop loop;
    for (std::uint8_t i = 0; i < 20; ++i) {
        loop.video.push_back(AccessUnit{{0, 0, 0, 1, i}, i % 10 == 0});
    }
    return loop;
}

} // namespace

TEST(LiveStream, HeaderBlocksNameTheCodecsLittleEndian)
{
    const auto header = makeStreamHeader(9, "VX26010022");
    EXPECT_EQ(header.streamId, 9u);
    EXPECT_EQ(header.videoPresent, 1);
    EXPECT_EQ(header.audioPresent, 1);
    EXPECT_TRUE(zeroFrom(header.prefix, 0));

    const auto& video = header.videoBlock;
    EXPECT_EQ(std::memcmp(video.data(), "H264", 4), 0);
    EXPECT_EQ(u32At(video, 4), 320u);
    EXPECT_EQ(u32At(video, 8), 180u);
    EXPECT_EQ(u32At(video, 12), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(video.data() + 16)), "VX26010022");
    EXPECT_TRUE(zeroFrom(video, 16 + 10));

    const auto& audio = header.audioBlock;
    EXPECT_EQ(std::memcmp(audio.data(), "PCMA", 4), 0);
    EXPECT_EQ(u32At(audio, 4), 8000u);
    EXPECT_EQ(u32At(audio, 8), 1u);
    EXPECT_TRUE(zeroFrom(audio, 12));
}

TEST(LiveStream, TheSerialFieldStaysTerminatedAndAscii)
{
    const auto header = makeStreamHeader(1, std::string(40, 'S') + "\xB2\xE2");
    const auto& video = header.videoBlock;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(video.data() + 16)), std::string(31, 'S'));
    EXPECT_TRUE(zeroFrom(video, 47)) << "nothing spills past the field";

    const auto odd = makeStreamHeader(1, std::string("A\xB2\x01Z", 4));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(odd.videoBlock.data() + 16)), "A??Z");
}

TEST(LiveStream, FramesLoopWithKeyFramesAndStreamTimestamps)
{
    const StreamLoop loop = fakeLoop();
    for (std::uint64_t index : {0ULL, 1ULL, 9ULL, 10ULL, 19ULL, 20ULL, 35ULL, 1000000ULL}) {
        const auto frame = makeVideoFrame(4, index, loop);
        EXPECT_EQ(frame.streamId, 4u);
        EXPECT_EQ(frame.frameValue, index % 10 == 0 ? 1 : 0) << index;
        EXPECT_EQ(isKeyFrame(loop, index), index % 10 == 0) << index;
        EXPECT_EQ(frame.data, loop.video[index % 20].bytes) << index;
        EXPECT_DOUBLE_EQ(frame.timestamp, static_cast<double>(index) * 100.0);

        const auto audio = makeAudioFrame(4, index);
        EXPECT_EQ(audio.data.size(), 800u);
        EXPECT_DOUBLE_EQ(audio.timestamp, frame.timestamp);
    }
    EXPECT_EQ(kFrameInterval.count(), 100);

    const StreamLoop empty;
    EXPECT_TRUE(makeVideoFrame(1, 5, empty).data.empty());
    EXPECT_FALSE(isKeyFrame(empty, 0));
}

TEST(LiveStream, AClientThatFellBehindGetsVideoAgainFromTheNextKeyFrame)
{
    const StreamLoop loop = fakeLoop();
    FrameSkipper skipper;
    std::string videoSent;
    std::string audioSent;
    for (std::uint64_t index = 0; index < 25; ++index) {
        const bool behind = index == 3 || index == 4;
        const auto pick = skipper.pick(isKeyFrame(loop, index), behind);
        videoSent += pick.video ? 'v' : '.';
        audioSent += pick.audio ? 'a' : '.';
    }
    EXPECT_EQ(videoSent, "vvv.......vvvvvvvvvvvvvvv");
    EXPECT_EQ(audioSent, "aaa..aaaaaaaaaaaaaaaaaaaa");
}
