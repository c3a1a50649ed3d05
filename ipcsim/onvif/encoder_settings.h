#pragma once

#include "ipcsim/onvif/media_state.h"

#include <optional>
#include <pugixml.hpp>
#include <string>

// Reading an encoder configuration a client sends. The values it carries
// replace those of candidate (what it leaves out stays), then the whole
// candidate is checked against what the camera offers, so a change of
// encoding is judged together with the bit rate it comes with. The answer is
// what is wrong, in words for the fault's reason, or nothing when it fits.
namespace vexlo::ipcsim::onvif {

std::optional<std::string> readVideoEncoder(pugi::xml_node configuration,
                                            const VideoEncoderOptions& options,
                                            VideoEncoderConfig& candidate);

std::optional<std::string> readAudioEncoder(pugi::xml_node configuration,
                                            const std::vector<AudioEncoderOption>& options,
                                            AudioEncoderConfig& candidate);

// A dotted IPv4 address, each part 0..255.
bool isIpv4Address(std::string_view text);
// An xs:duration as cameras write them ("PT60S", "P1DT2H"), at most 32 characters.
bool isDuration(std::string_view text);

} // namespace vexlo::ipcsim::onvif
