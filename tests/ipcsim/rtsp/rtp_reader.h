#pragma once

#include "ipcsim/rtsp/rtp_packet.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The receiving side of what the server sends, written from RFC 3550 and
// RFC 6184 independently of the sending code, so the tests compare two
// readings of the same packets.
namespace rtsptest {

struct RtpPacket
{
    vexlo::ipcsim::rtsp::RtpHeader header;
    std::vector<std::uint8_t> payload;
};

std::optional<RtpPacket> parseRtp(std::span<const std::uint8_t> packet);

// Rebuilds Annex B NAL units (four-byte start codes) from the RTP payloads
// of one access unit. Empty when a payload is malformed or a fragment is
// missing its start or end.
std::vector<std::uint8_t> depacketizeH264(const std::vector<std::vector<std::uint8_t>>& payloads);

} // namespace rtsptest
