#pragma once

#include "onvif/device_messages.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The media service's requests and answers the client needs to play a
// camera's stream: its profiles and a profile's RTSP address. Same manner as
// device_messages.h: payload builders, whole-reply parsers.
namespace vexlo::onvif {

struct VideoEncoderSummary
{
    std::string token;
    std::string name;
    std::string encoding; // H264, JPEG, MPEG4 as the camera writes it
    int width = 0;        // 0 when not told or not believable
    int height = 0;

    bool operator==(const VideoEncoderSummary&) const = default;
};

struct MediaProfile
{
    std::string token;
    std::string name;
    bool fixed = false;
    std::optional<VideoEncoderSummary> videoEncoder;
    std::string analyticsToken; // its video analytics configuration; empty when none

    bool operator==(const MediaProfile&) const = default;
};

std::string buildGetProfiles();
// Profiles without a token cannot be asked for a stream and are left out.
Reply<std::vector<MediaProfile>> parseGetProfiles(std::string_view bytes);

struct StreamUri
{
    std::string uri; // as the camera gave it
    bool invalidAfterConnect = false;
    bool invalidAfterReboot = false;
    std::chrono::milliseconds timeout{0}; // 0 when not told or unreadable

    bool operator==(const StreamUri&) const = default;
};

// Unicast RTP over RTSP for a profile; nothing for an empty token.
std::optional<std::string> buildGetStreamUri(std::string_view profileToken);
// Malformed without a Uri.
Reply<StreamUri> parseGetStreamUri(std::string_view bytes);

} // namespace vexlo::onvif
