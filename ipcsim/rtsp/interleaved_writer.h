#pragma once

#include "ipcsim/rtsp/rtp_packet.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// RTP packets inside the RTSP connection itself (RFC 2326 section 10.12):
// each packet goes out as '$', the channel, its length (16 bits, network
// order), then the packet. Packets are appended to a caller's buffer so that
// a whole access unit leaves in one write.
namespace vexlo::ipcsim::rtsp {

inline constexpr std::size_t kInterleavedHeaderBytes = 4;
inline constexpr std::size_t kMaxInterleavedPacket = 0xffff;

// Appends one framed RTP packet. Throws std::length_error when header and
// payload do not fit the 16-bit length.
void appendInterleaved(std::vector<std::uint8_t>& out, std::uint8_t channel,
                       const RtpHeader& header, std::span<const std::uint8_t> payload);

// One RTP stream on one channel: keeps its SSRC and sequence numbers.
class InterleavedTrack
{
public:
    InterleavedTrack(std::uint8_t channel, std::uint8_t payloadType, std::uint32_t ssrc,
                     std::uint16_t firstSequence);

    std::uint8_t channel() const { return m_channel; }
    std::uint32_t ssrc() const { return m_ssrc; }
    std::uint16_t nextSequence() const { return m_sequence; }

    void append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> payload,
                std::uint32_t timestamp, bool marker);

private:
    std::uint8_t m_channel;
    std::uint8_t m_payloadType;
    std::uint32_t m_ssrc;
    std::uint16_t m_sequence; // wraps, as RTP sequence numbers do
};

} // namespace vexlo::ipcsim::rtsp
