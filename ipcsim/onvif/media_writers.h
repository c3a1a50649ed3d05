#pragma once

#include "ipcsim/onvif/media_state.h"
#include "onvif/xml_writer.h"

#include <string_view>

// The schema (tt:) types the services answer with. Each writer takes the
// name of the element it fills, since one type appears under several names
// (trt:Profiles, trt:Profile, tt:VideoEncoderConfiguration, ...). The element
// order is the schema's, which strict clients rely on.
namespace vexlo::ipcsim::onvif {

using vexlo::onvif::XmlWriter;

void writeProfile(XmlWriter& out, std::string_view name, const MediaProfile& profile,
                  MediaState& state);
void writeVideoSource(XmlWriter& out, std::string_view name, const VideoSource& source);
void writeVideoSourceConfig(XmlWriter& out, std::string_view name, const VideoSourceConfig& config);
void writeVideoEncoder(XmlWriter& out, std::string_view name, const VideoEncoderConfig& config);
void writeVideoEncoderOptions(XmlWriter& out, std::string_view name,
                              const VideoEncoderOptions& options);
void writeAudioEncoder(XmlWriter& out, std::string_view name, const AudioEncoderConfig& config);
void writeAnalyticsConfig(XmlWriter& out, std::string_view name, const AnalyticsConfig& config);
// The cell motion detector as a tt:Config: the rule, and the module it runs on.
void writeMotionRule(XmlWriter& out, std::string_view name, const CellMotionState& motion);
void writeMotionModule(XmlWriter& out, std::string_view name, const CellMotionState& motion);
void writeOsd(XmlWriter& out, std::string_view name, const OsdConfig& osd);

} // namespace vexlo::ipcsim::onvif
