#pragma once

#include "onvif/device_messages.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The picture settings of a video source (imaging service, ver20) and the
// media service's list of video sources they are kept per.
namespace vexlo::onvif {

struct FloatRange
{
    double min = 0;
    double max = 0;
};

struct ImagingOffer
{
    std::optional<FloatRange> brightness;
    std::optional<FloatRange> colorSaturation;
    std::optional<FloatRange> contrast;
    std::optional<FloatRange> sharpness;
    std::vector<std::string> backlightModes; // "OFF", "ON"
    std::optional<FloatRange> backlightLevel;
    std::vector<std::string> irCutFilterModes;  // "ON", "OFF", "AUTO"
    std::vector<std::string> whiteBalanceModes; // "AUTO", "MANUAL"
};

// What to set; whatever is empty is left as the camera has it.
struct ImagingChange
{
    std::optional<double> brightness;
    std::optional<double> colorSaturation;
    std::optional<double> contrast;
    std::optional<double> sharpness;
    std::optional<std::string> backlightMode;
    std::optional<double> backlightLevel;
    std::optional<std::string> irCutFilter;
    std::optional<std::string> whiteBalance;
};

std::string buildGetVideoSources();
// The tokens of the camera's video sources, in its order.
Reply<std::vector<std::string>> parseGetVideoSources(std::string_view bytes);

std::optional<std::string> buildGetImagingOptions(std::string_view videoSourceToken);
Reply<ImagingOffer> parseGetImagingOptions(std::string_view bytes);
std::optional<std::string> buildSetImagingSettings(std::string_view videoSourceToken,
                                                   const ImagingChange& change);

} // namespace vexlo::onvif
