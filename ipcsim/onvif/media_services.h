#pragma once

#include "ipcsim/onvif/media_state.h"
#include "ipcsim/onvif/service_result.h"

#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

// The entry point of a simulated camera's media (ver10), imaging (ver20) and
// analytics (ver20) services, called by the SOAP dispatch once a request is
// authenticated.
namespace vexlo::ipcsim::onvif {

// What the camera knows about itself that its media services report.
struct MediaContext
{
    std::string address; // the camera's own IPv4 address, as "127.0.0.5"
    std::uint16_t rtspPort = 8554;
    std::string serial;

    // "rtsp://ADDRESS:PORT/path": where the RTSP server serves a profile's stream.
    std::string streamUri(std::string_view path) const;
};

// The answer to one operation, or nothing when the action is none of these
// services' (the dispatch then tries the next service or answers
// ActionNotSupported). payload is the first element in the SOAP Body; when it
// carries a namespace of another service (a PTZ GetStatus, say) it is not ours.
std::optional<ServiceResult> handleMediaOperation(std::string_view action, pugi::xml_node payload,
                                                  MediaState& state, const MediaContext& context);

} // namespace vexlo::ipcsim::onvif
