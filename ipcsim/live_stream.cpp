#include "ipcsim/live_stream.h"

#include "ipcsim/alaw_tone.h"
#include "ipcsim/test_card.h"

#include <algorithm>
#include <cstring>

namespace vexlo::ipcsim {
namespace {

template <std::size_t N>
void putU32(std::array<std::uint8_t, N>& block, std::size_t offset, std::uint32_t value)
{
    static_assert(N >= 16);
    for (std::size_t i = 0; i < 4; ++i) {
        block[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

template <std::size_t N> void putTag(std::array<std::uint8_t, N>& block, const char (&tag)[5])
{
    std::memcpy(block.data(), tag, 4);
}

double timestampOf(std::uint64_t index)
{
    return static_cast<double>(index) * static_cast<double>(kFrameInterval.count());
}

const AccessUnit& unitOf(const StreamLoop& loop, std::uint64_t index)
{
    return loop.video[static_cast<std::size_t>(index % loop.video.size())];
}

} // namespace

protocol::PlayHeader makeStreamHeader(std::uint32_t streamId, std::string_view serial)
{
    protocol::PlayHeader header;
    header.streamId = streamId;
    header.videoPresent = 1;
    header.audioPresent = 1;

    putTag(header.videoBlock, "H264");
    putU32(header.videoBlock, 4, TestCard::kWidth);
    putU32(header.videoBlock, 8, TestCard::kHeight);
    putU32(header.videoBlock, 12, kVideoFramesPerSecond);
    // Cut to leave at least one NUL, so a reader of the field as text stops;
    // the field is ASCII, so any other byte shows as '?'.
    const std::size_t length = std::min(serial.size(), kSerialFieldSize - 1);
    std::transform(serial.begin(), serial.begin() + static_cast<std::ptrdiff_t>(length),
                   header.videoBlock.begin() + kSerialFieldOffset, [](char c) {
                       const auto byte = static_cast<unsigned char>(c);
                       return static_cast<std::uint8_t>(byte >= 0x20 && byte < 0x7F ? byte : '?');
                   });

    putTag(header.audioBlock, "PCMA");
    putU32(header.audioBlock, 4, kToneSampleRate);
    putU32(header.audioBlock, 8, 1);
    return header;
}

protocol::VideoFrame makeVideoFrame(std::uint32_t streamId, std::uint64_t index,
                                    const StreamLoop& loop)
{
    protocol::VideoFrame frame;
    frame.streamId = streamId;
    frame.timestamp = timestampOf(index);
    if (loop.video.empty()) {
        return frame;
    }
    const AccessUnit& unit = unitOf(loop, index);
    frame.frameValue = unit.key ? 1 : 0;
    frame.data = unit.bytes;
    return frame;
}

protocol::AudioFrame makeAudioFrame(std::uint32_t streamId, std::uint64_t index)
{
    protocol::AudioFrame frame;
    frame.streamId = streamId;
    frame.timestamp = timestampOf(index);
    frame.data = toneFrame();
    return frame;
}

bool isKeyFrame(const StreamLoop& loop, std::uint64_t index)
{
    return !loop.video.empty() && unitOf(loop, index).key;
}

FrameSkipper::Pick FrameSkipper::pick(bool keyFrame, bool clientBehind)
{
    if (clientBehind) {
        m_awaitKeyFrame = true;
        return {};
    }
    if (keyFrame) {
        m_awaitKeyFrame = false;
    }
    return {!m_awaitKeyFrame, true};
}

} // namespace vexlo::ipcsim
