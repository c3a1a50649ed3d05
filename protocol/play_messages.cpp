#include "protocol/play_messages.h"

#include "protocol/byte_reader.h"
#include "protocol/enum_check.h"
#include "protocol/frame_header.h"
#include "protocol/wire.h"
#include "sdk/netsdk.h"

#include <algorithm>
#include <cstring>

namespace vexlo::protocol {

static_assert(kStreamHeaderSize == SDK_HEADER_SIZE);
static_assert(kVideoBlockSize == SDK_HEADER_VIDEO_BLOCK_SIZE);
static_assert(kAudioBlockSize == SDK_HEADER_AUDIO_BLOCK_SIZE);
static_assert(kStreamPrefixSize == SDK_HEADER_VIDEO_FLAG_OFFSET);

namespace {

std::optional<std::uint32_t> decodeStreamIdOnly(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const std::uint32_t streamId = reader.u32();
    if (!reader.finished() || streamId == 0)
        return std::nullopt;
    return streamId;
}

} // namespace

std::vector<std::uint8_t> PlayStart::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(streamId);
    frame.i32(playParam);
    frame.i32(word1);
    frame.i32(word2);
    return frame.finish();
}

std::optional<PlayStart> PlayStart::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    PlayStart start;
    start.streamId = reader.u32();
    start.playParam = reader.i32();
    start.word1 = reader.i32();
    start.word2 = reader.i32();
    if (!reader.finished() || start.streamId == 0)
        return std::nullopt;
    return start;
}

std::array<std::uint8_t, kStreamHeaderSize> PlayHeader::toCallbackBlock() const
{
    // The receiver reads the flags as native 16-bit words, so they are stored in
    // host order here; only the wire form is big-endian.
    std::array<std::uint8_t, kStreamHeaderSize> block{};
    std::copy(prefix.begin(), prefix.end(), block.begin());
    std::memcpy(block.data() + SDK_HEADER_VIDEO_FLAG_OFFSET, &videoPresent, sizeof videoPresent);
    std::memcpy(block.data() + SDK_HEADER_AUDIO_FLAG_OFFSET, &audioPresent, sizeof audioPresent);
    std::copy(videoBlock.begin(), videoBlock.end(), block.begin() + SDK_HEADER_VIDEO_BLOCK_OFFSET);
    std::copy(audioBlock.begin(), audioBlock.end(), block.begin() + SDK_HEADER_AUDIO_BLOCK_OFFSET);
    return block;
}

PlayHeader PlayHeader::fromCallbackBlock(std::uint32_t streamId,
                                         std::span<const std::uint8_t, kStreamHeaderSize> block)
{
    PlayHeader header;
    header.streamId = streamId;
    std::copy_n(block.begin(), kStreamPrefixSize, header.prefix.begin());
    std::memcpy(&header.videoPresent, block.data() + SDK_HEADER_VIDEO_FLAG_OFFSET,
                sizeof header.videoPresent);
    std::memcpy(&header.audioPresent, block.data() + SDK_HEADER_AUDIO_FLAG_OFFSET,
                sizeof header.audioPresent);
    std::copy_n(block.begin() + SDK_HEADER_VIDEO_BLOCK_OFFSET, kVideoBlockSize,
                header.videoBlock.begin());
    std::copy_n(block.begin() + SDK_HEADER_AUDIO_BLOCK_OFFSET, kAudioBlockSize,
                header.audioBlock.begin());
    return header;
}

std::vector<std::uint8_t> PlayHeader::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(streamId);
    frame.u16(videoPresent);
    frame.u16(audioPresent);
    frame.raw(prefix);
    frame.raw(videoBlock);
    frame.raw(audioBlock);
    return frame.finish();
}

std::optional<PlayHeader> PlayHeader::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    PlayHeader header;
    header.streamId = reader.u32();
    header.videoPresent = reader.u16();
    header.audioPresent = reader.u16();
    reader.raw(header.prefix);
    reader.raw(header.videoBlock);
    reader.raw(header.audioBlock);
    if (!reader.finished() || header.streamId == 0)
        return std::nullopt;
    return header;
}

std::vector<std::uint8_t> VideoFrame::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(streamId);
    frame.i32(frameValue);
    frame.f64(timestamp);
    frame.raw(std::span(data).first(std::min(data.size(), kMaxVideoDataSize)));
    return frame.finish();
}

std::optional<VideoFrame> VideoFrame::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    VideoFrame frame;
    frame.streamId = reader.u32();
    frame.frameValue = reader.i32();
    frame.timestamp = reader.f64();
    frame.data = reader.rest(0, kMaxVideoDataSize);
    if (!reader.finished() || frame.streamId == 0)
        return std::nullopt;
    return frame;
}

std::vector<std::uint8_t> AudioFrame::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(streamId);
    frame.f64(timestamp);
    frame.raw(std::span(data).first(std::min(data.size(), kMaxAudioDataSize)));
    return frame.finish();
}

std::optional<AudioFrame> AudioFrame::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    AudioFrame frame;
    frame.streamId = reader.u32();
    frame.timestamp = reader.f64();
    frame.data = reader.rest(0, kMaxAudioDataSize);
    if (!reader.finished() || frame.streamId == 0)
        return std::nullopt;
    return frame;
}

std::vector<std::uint8_t> PlayStop::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(streamId);
    return frame.finish();
}

std::optional<PlayStop> PlayStop::decode(std::span<const std::uint8_t> body)
{
    const auto streamId = decodeStreamIdOnly(body);
    if (!streamId)
        return std::nullopt;
    return PlayStop{*streamId};
}

std::vector<std::uint8_t> PlayEnd::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(streamId);
    frame.u8(static_cast<std::uint8_t>(reason));
    return frame.finish();
}

std::optional<PlayEnd> PlayEnd::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const std::uint32_t streamId = reader.u32();
    const auto reason = enumFromByte(reader.u8(), PlayEndReason::Ended);
    if (!reader.finished() || streamId == 0 || !reason)
        return std::nullopt;
    return PlayEnd{streamId, *reason};
}

} // namespace vexlo::protocol
