#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a request's URI points at: a stream (a media profile, "main" or "sub")
// and, for SETUP, one of its tracks. The host part is not checked: a client
// may reach the camera under any name.
namespace vexlo::ipcsim::rtsp {

inline constexpr int kAggregate = -1; // the stream as a whole

struct RequestTarget
{
    std::string stream; // the path without slashes at either end
    int track = kAggregate;
};

// "rtsp://host:port/main/trackID=1" -> {"main", 1}; "/sub/" -> {"sub",
// aggregate}; nullopt for a URI of another scheme or a malformed track.
std::optional<RequestTarget> parseRequestTarget(std::string_view uri);

} // namespace vexlo::ipcsim::rtsp
