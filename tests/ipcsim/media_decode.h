#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Decodes what the simulated cameras stream, with libavcodec's own decoders,
// so the tests check the stream against an independent reader.
namespace simtest {

struct DecodedPicture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> luma; // width × height, no padding

    std::uint8_t lumaAt(int x, int y) const
    {
        return luma[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)];
    }
};

// Every picture the H.264 decoder gives for these access units, in order
// (units that do not decode give none).
std::vector<DecodedPicture> decodeH264(const std::vector<std::vector<std::uint8_t>>& units);

// G.711 A-law bytes to 16-bit samples.
std::vector<std::int16_t> decodeAlaw(std::span<const std::uint8_t> bytes);

// The NAL unit types of an Annex B access unit, in order.
std::vector<int> nalTypes(std::span<const std::uint8_t> unit);

inline constexpr int kNalIdr = 5;
inline constexpr int kNalSps = 7;
inline constexpr int kNalPps = 8;

} // namespace simtest
