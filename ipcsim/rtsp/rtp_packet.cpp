#include "ipcsim/rtsp/rtp_packet.h"

namespace vexlo::ipcsim::rtsp {

namespace {

constexpr std::uint8_t kVersion2 = 0x80;

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

} // namespace

void appendRtpHeader(std::vector<std::uint8_t>& out, const RtpHeader& header)
{
    out.push_back(kVersion2);
    out.push_back(
        static_cast<std::uint8_t>((header.marker ? 0x80 : 0) | (header.payloadType & 0x7f)));
    appendBigEndian(out, header.sequence, 2);
    appendBigEndian(out, header.timestamp, 4);
    appendBigEndian(out, header.ssrc, 4);
}

} // namespace vexlo::ipcsim::rtsp
