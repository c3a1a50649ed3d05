#pragma once

#include "profile/config_profile.h"

#include <string>

// The XML request body of each configuration section, built from the section as
// a TinyXML document and printed compactly (xml_compact_printer.h). The texts
// are GBK bytes, not yet cut to the section's buffer (config_sections.h does
// that). Every ticked device receives the same body.
namespace vexlo {

// Network sections.
std::string buildLanRequest(const LanSection& section);
std::string buildCloudRequest(const CloudSection& section);
std::string buildFtpRequest(const FtpSection& section);
std::string buildSmtpRequest(const SmtpSection& section);
std::string buildStreamRequest(const StreamSection& section);
std::string buildPlatformRequest(const PlatformSection& section);

// Media sections.
std::string buildCaptureRequest(const CaptureSection& section);
std::string buildOverlayRequest(const OverlaySection& section);
std::string buildVideoEncodeRequest(const VideoEncodeSection& section);
std::string buildAudioEncodeRequest(const AudioEncodeSection& section);

// Alarm and system sections.
std::string buildMotionRequest(const MotionSection& section);
std::string buildAccountRequest(const AccountSection& section);
std::string buildTimeRequest(const TimeSection& section);
std::string buildMaintainRequest(const MaintainSection& section);
std::string buildLanguageRequest(const LanguageSection& section);

} // namespace vexlo
