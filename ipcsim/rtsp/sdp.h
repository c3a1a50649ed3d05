#pragma once

#include "ipcsim/rtsp/annex_b.h"

#include <cstdint>
#include <string>

// The session description a DESCRIBE answers with (RFC 4566): one H.264
// video track (RFC 6184 parameters) and, when the camera has sound, one
// G.711 A-law track (RFC 3551 payload type 8).
namespace vexlo::ipcsim::rtsp {

inline constexpr int kVideoTrack = 0;
inline constexpr int kAudioTrack = 1;

struct SessionDescription
{
    std::string address; // the camera's IPv4 address, for the origin line
    std::uint64_t sessionId = 0;
    std::string name;    // shown by players as the stream's title
    ParameterSets video; // from the first key frame (findParameterSets: an SPS of 4+ bytes)
    bool audio = false;
};

// The control attribute of a track, relative to the DESCRIBE's Content-Base.
std::string trackControl(int track);

// The description in SDP text, CRLF line ends.
std::string makeSdp(const SessionDescription& description);

} // namespace vexlo::ipcsim::rtsp
