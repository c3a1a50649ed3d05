#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// One H.264 access unit to RTP payloads (RFC 6184, packetization mode 1): a
// NAL unit that fits goes in a single NAL unit packet, a larger one is split
// into FU-A fragments. No sockets, no state: the same function serves the
// server, its tests and the fuzz targets.
namespace vexlo::ipcsim::rtsp {

inline constexpr std::size_t kDefaultMaxPayload = 1400;
inline constexpr std::uint8_t kNalFuA = 28;

struct RtpPayload
{
    std::vector<std::uint8_t> bytes;
    bool marker = false; // the last packet of the access unit
};

// The payloads of an Annex B access unit, in order. Access unit delimiters
// are left out: the marker bit already tells where a picture ends.
// `maxPayload` must leave room for the two FU-A header bytes and one byte of
// data (at least 3); std::invalid_argument otherwise.
std::vector<RtpPayload> packetizeH264(std::span<const std::uint8_t> accessUnit,
                                      std::size_t maxPayload = kDefaultMaxPayload);

} // namespace vexlo::ipcsim::rtsp
