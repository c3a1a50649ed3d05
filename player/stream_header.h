#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The header blocks a camera sends before its live stream, as netsdk hands them
// to IP_ORV_OpenStream. All integers are little-endian.
//
// Video block (536 bytes): codec tag "H264" at 0, width at 4, height at 8,
// frames per second at 12, the camera's serial number (NUL-padded) at 16..47.
// Audio block (276 bytes): codec tag "PCMA" at 0, sample rate at 4, channels at 8.
namespace vexlo::player {

inline constexpr int kVideoHeaderLength = 536;
inline constexpr int kAudioHeaderLength = 276;

struct VideoStreamHeader
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t framesPerSecond = 0;
    std::string serialNumber;
};

struct AudioStreamHeader
{
    std::uint32_t sampleRate = 0;
    std::uint32_t channels = 0;
};

// Nothing when the pointer is null, the block is shorter than its fixed length
// or the codec tag is not the one this player decodes. Bytes past the fixed
// length are ignored.
std::optional<VideoStreamHeader> parseVideoHeader(const unsigned char* block, int length);

// As above; also nothing when the sample rate or channel count cannot be
// decoded (zero, or beyond any G.711 source).
std::optional<AudioStreamHeader> parseAudioHeader(const unsigned char* block, int length);

} // namespace vexlo::player
