#pragma once

#include "ipcsim/rtsp/h264_packetizer.h"
#include "ipcsim/rtsp/rtsp_message.h"
#include "ipcsim/rtsp/stream_content.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How one camera's RTSP server behaves. The hooks are called on the server's
// I/O threads, from several connections at once: they must be thread-safe.
namespace vexlo::ipcsim::rtsp {

inline constexpr std::uint16_t kDefaultRtspPort = 8554;

// Whether a request carries acceptable credentials. OPTIONS is always allowed.
using Authorizer = std::function<bool(const Request& request)>;
// The WWW-Authenticate values of a 401 answer to `request` (one header each).
using ChallengeProvider = std::function<std::vector<std::string>(const Request& request)>;

struct ServerSettings
{
    ContentProvider content;
    Authorizer authorize; // empty: no credentials needed
    ChallengeProvider challenge;
    // One stream per media profile; every one plays the same content.
    std::vector<std::string> streams{"main", "sub"};
    // A client that sends nothing for this long is dropped. Real time, not
    // scaled: a client keeps its session alive by its own clock.
    std::chrono::seconds sessionTimeout{60};
    // A client that does not read falls behind; once this much waits to be
    // written it is dropped rather than buffered without end.
    std::size_t maxQueuedBytes = 1024 * 1024;
    std::size_t maxConnections = 16;
    std::size_t maxPayload = kDefaultMaxPayload;
};

} // namespace vexlo::ipcsim::rtsp
