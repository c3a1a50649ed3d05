#include "ipcsim/rtsp/sdp.h"

#include "ipcsim/rtsp/rtp_packet.h"
#include "onvif/encoding.h"

#include <cstdio>

namespace vexlo::ipcsim::rtsp {

namespace {

// A name comes from the scenario; it must stay on its own line.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            line.push_back(c);
        }
    }
    return line.empty() ? "-" : line;
}

// profile_idc, the constraint flags and level_idc: the three bytes after the
// SPS's NAL header, in hexadecimal.
std::string profileLevelId(const std::vector<std::uint8_t>& sps)
{
    char hex[7] = {};
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", sps.at(1), sps.at(2), sps.at(3));
    return hex;
}

} // namespace

std::string trackControl(int track)
{
    return "trackID=" + std::to_string(track);
}

std::string makeSdp(const SessionDescription& description)
{
    const std::string id = std::to_string(description.sessionId);
    std::string sdp;
    sdp += "v=0\r\n";
    sdp += "o=- " + id + " " + id + " IN IP4 " + oneLine(description.address) + "\r\n";
    sdp += "s=" + oneLine(description.name) + "\r\n";
    sdp += "c=IN IP4 0.0.0.0\r\n";
    sdp += "t=0 0\r\n";
    sdp += "a=control:*\r\n";
    sdp += "a=range:npt=0-\r\n";

    const std::string video = std::to_string(kPayloadTypeH264);
    sdp += "m=video 0 RTP/AVP " + video + "\r\n";
    sdp += "a=rtpmap:" + video + " H264/" + std::to_string(kVideoClockRate) + "\r\n";
    sdp += "a=fmtp:" + video +
           " packetization-mode=1;profile-level-id=" + profileLevelId(description.video.sps) +
           ";sprop-parameter-sets=" + vexlo::onvif::base64Encode(description.video.sps) + "," +
           vexlo::onvif::base64Encode(description.video.pps) + "\r\n";
    sdp += "a=control:" + trackControl(kVideoTrack) + "\r\n";

    if (description.audio) {
        const std::string audio = std::to_string(kPayloadTypePcma);
        sdp += "m=audio 0 RTP/AVP " + audio + "\r\n";
        sdp += "a=rtpmap:" + audio + " PCMA/" + std::to_string(kAudioClockRate) + "\r\n";
        sdp += "a=control:" + trackControl(kAudioTrack) + "\r\n";
    }
    return sdp;
}

} // namespace vexlo::ipcsim::rtsp
