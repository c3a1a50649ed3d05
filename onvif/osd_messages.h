#pragma once

#include "onvif/device_messages.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The on-screen texts of the media service (OSDs): the date and time, and
// plain titles, each in a corner of the picture.
namespace vexlo::onvif {

struct OsdText
{
    std::string token; // empty for one to create
    std::string videoSourceConfigurationToken;
    std::string positionType; // "UpperLeft", "UpperRight", "LowerLeft", "LowerRight", ...
    std::string textType;     // "Plain", "Date", "Time", "DateAndTime"
    std::string dateFormat;
    std::string timeFormat;
    std::string plainText;
};

struct OsdOffer
{
    std::vector<std::string> positions;
    std::vector<std::string> textTypes;
    std::vector<std::string> dateFormats;
    std::vector<std::string> timeFormats;
};

std::string buildGetVideoSourceConfigurations();
// The tokens of the video source configurations, in the camera's order.
Reply<std::vector<std::string>> parseGetVideoSourceConfigurations(std::string_view bytes);

std::string buildGetOSDs();
// Text OSDs only; image OSDs are none of this program's business.
Reply<std::vector<OsdText>> parseGetOSDs(std::string_view bytes);
std::optional<std::string> buildGetOSDOptions(std::string_view videoSourceConfigurationToken);
Reply<OsdOffer> parseGetOSDOptions(std::string_view bytes);

std::optional<std::string> buildCreateOSD(const OsdText& osd);
std::optional<std::string> buildSetOSD(const OsdText& osd);
std::optional<std::string> buildDeleteOSD(std::string_view token);

} // namespace vexlo::onvif
