#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The Transport header of a SETUP (RFC 2326 section 12.39). The simulated
// camera sends over the RTSP connection only (RTP/AVP/TCP, interleaved);
// a client that offers nothing else is answered 461.
namespace vexlo::ipcsim::rtsp {

struct InterleavedChannels
{
    std::uint8_t rtp = 0;
    std::uint8_t rtcp = 1;
};

struct TcpTransportOffer
{
    // The channels the client asked for; nullopt lets the camera choose.
    std::optional<InterleavedChannels> channels;
};

// The first TCP alternative among the comma-separated offers, or nullopt when
// there is none (or it names channels outside 0..255).
std::optional<TcpTransportOffer> findTcpTransport(std::string_view header);

} // namespace vexlo::ipcsim::rtsp
