#include "ipcsim/rtsp/interleaved_writer.h"

#include <stdexcept>

namespace vexlo::ipcsim::rtsp {

void appendInterleaved(std::vector<std::uint8_t>& out, std::uint8_t channel,
                       const RtpHeader& header, std::span<const std::uint8_t> payload)
{
    const std::size_t length = kRtpHeaderBytes + payload.size();
    if (length > kMaxInterleavedPacket) {
        throw std::length_error("RTP packet too large for interleaved framing");
    }
    out.reserve(out.size() + kInterleavedHeaderBytes + length);
    out.push_back('$');
    out.push_back(channel);
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length & 0xff));
    appendRtpHeader(out, header);
    out.insert(out.end(), payload.begin(), payload.end());
}

InterleavedTrack::InterleavedTrack(std::uint8_t channel, std::uint8_t payloadType,
                                   std::uint32_t ssrc, std::uint16_t firstSequence)
    : m_channel(channel), m_payloadType(payloadType), m_ssrc(ssrc), m_sequence(firstSequence)
{
}

void InterleavedTrack::append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> payload,
                              std::uint32_t timestamp, bool marker)
{
    appendInterleaved(out, m_channel,
                      RtpHeader{m_payloadType, marker, m_sequence, timestamp, m_ssrc}, payload);
    ++m_sequence;
}

} // namespace vexlo::ipcsim::rtsp
