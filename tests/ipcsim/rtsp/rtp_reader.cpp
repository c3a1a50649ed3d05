#include "rtp_reader.h"

namespace rtsptest {

std::optional<RtpPacket> parseRtp(std::span<const std::uint8_t> packet)
{
    if (packet.size() < 12 || (packet[0] >> 6) != 2 || (packet[0] & 0x3f) != 0) {
        return std::nullopt; // not version 2, or padding/extension/CSRCs we never send
    }
    RtpPacket result;
    result.header.marker = (packet[1] & 0x80) != 0;
    result.header.payloadType = packet[1] & 0x7f;
    result.header.sequence = static_cast<std::uint16_t>((packet[2] << 8) | packet[3]);
    result.header.timestamp = (std::uint32_t{packet[4]} << 24) | (std::uint32_t{packet[5]} << 16) |
                              (std::uint32_t{packet[6]} << 8) | packet[7];
    result.header.ssrc = (std::uint32_t{packet[8]} << 24) | (std::uint32_t{packet[9]} << 16) |
                         (std::uint32_t{packet[10]} << 8) | packet[11];
    result.payload.assign(packet.begin() + 12, packet.end());
    return result;
}

std::vector<std::uint8_t> depacketizeH264(const std::vector<std::vector<std::uint8_t>>& payloads)
{
    static constexpr std::uint8_t kStart[] = {0, 0, 0, 1};
    std::vector<std::uint8_t> out;
    bool inFragment = false;
    for (const auto& payload : payloads) {
        if (payload.empty()) {
            return {};
        }
        const int type = payload[0] & 0x1f;
        if (type >= 1 && type <= 23) {
            if (inFragment) {
                return {};
            }
            out.insert(out.end(), std::begin(kStart), std::end(kStart));
            out.insert(out.end(), payload.begin(), payload.end());
            continue;
        }
        if (type != 28 || payload.size() < 3) {
            return {};
        }
        const bool start = (payload[1] & 0x80) != 0;
        const bool end = (payload[1] & 0x40) != 0;
        if (start == inFragment) {
            return {}; // a start inside a fragment, or a middle without a start
        }
        if (start) {
            out.insert(out.end(), std::begin(kStart), std::end(kStart));
            out.push_back(static_cast<std::uint8_t>((payload[0] & 0xe0) | (payload[1] & 0x1f)));
            inFragment = true;
        }
        out.insert(out.end(), payload.begin() + 2, payload.end());
        if (end) {
            inFragment = false;
        }
    }
    return inFragment ? std::vector<std::uint8_t>{} : out;
}

} // namespace rtsptest
