#include "stream_header.h"

#include <cstring>

namespace vexlo::player {
namespace {

constexpr std::size_t kSerialOffset = 16;
constexpr std::size_t kSerialWidth = 32;
constexpr std::uint32_t kMaxSampleRate = 192000;
constexpr std::uint32_t kMaxChannels = 8;

std::uint32_t readU32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

bool hasTag(const unsigned char* block, const char* tag)
{
    return std::memcmp(block, tag, 4) == 0;
}

} // namespace

std::optional<VideoStreamHeader> parseVideoHeader(const unsigned char* block, int length)
{
    if (block == nullptr || length < kVideoHeaderLength || !hasTag(block, "H264"))
        return std::nullopt;
    VideoStreamHeader header;
    header.width = readU32(block + 4);
    header.height = readU32(block + 8);
    header.framesPerSecond = readU32(block + 12);
    // The serial field need not be terminated: stop at the first NUL or the field's end.
    const auto* serial = reinterpret_cast<const char*>(block + kSerialOffset);
    header.serialNumber.assign(serial, strnlen(serial, kSerialWidth));
    return header;
}

std::optional<AudioStreamHeader> parseAudioHeader(const unsigned char* block, int length)
{
    if (block == nullptr || length < kAudioHeaderLength || !hasTag(block, "PCMA"))
        return std::nullopt;
    AudioStreamHeader header;
    header.sampleRate = readU32(block + 4);
    header.channels = readU32(block + 8);
    if (header.sampleRate == 0 || header.sampleRate > kMaxSampleRate || header.channels == 0 ||
        header.channels > kMaxChannels)
        return std::nullopt;
    return header;
}

} // namespace vexlo::player
