#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The fixed 12-byte RTP header (RFC 3550): version 2, no padding, no
// extension, no contributing sources.
namespace vexlo::ipcsim::rtsp {

inline constexpr std::size_t kRtpHeaderBytes = 12;
inline constexpr std::uint8_t kPayloadTypeH264 = 96; // dynamic, named in the SDP
inline constexpr std::uint8_t kPayloadTypePcma = 8;  // static: G.711 A-law, 8 kHz
inline constexpr std::uint32_t kVideoClockRate = 90000;
inline constexpr std::uint32_t kAudioClockRate = 8000;

struct RtpHeader
{
    std::uint8_t payloadType = 0; // 7 bits
    bool marker = false;
    std::uint16_t sequence = 0;
    std::uint32_t timestamp = 0;
    std::uint32_t ssrc = 0;
};

// Appends the header's 12 bytes to `out`.
void appendRtpHeader(std::vector<std::uint8_t>& out, const RtpHeader& header);

} // namespace vexlo::ipcsim::rtsp
