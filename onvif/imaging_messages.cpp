#include "onvif/imaging_messages.h"

#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vexlo::onvif {

namespace {

std::optional<double> parseNumber(std::string_view text)
{
    text = trimSpace(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || std::fabs(value) > 1e9)
        return std::nullopt;
    return value;
}

std::optional<FloatRange> readRange(pugi::xml_node node)
{
    const auto low = parseNumber(text(child(node, "Min")));
    const auto high = parseNumber(text(child(node, "Max")));
    if (!low || !high || *low > *high)
        return std::nullopt;
    return FloatRange{*low, *high};
}

std::vector<std::string> readWords(pugi::xml_node parent, std::string_view name)
{
    std::vector<std::string> words;
    for (const pugi::xml_node node : children(parent, name)) {
        if (std::string word = std::string(trimSpace(text(node))); !word.empty())
            words.push_back(std::move(word));
    }
    return words;
}

std::string number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

bool isMode(const std::optional<std::string>& mode)
{
    return !mode || (!mode->empty() && mode->find_first_of("<>&\"") == std::string::npos);
}

} // namespace

std::string buildGetVideoSources()
{
    return openServiceRequest("trt", kOnvifMediaNamespace, "GetVideoSources", false).finish();
}

Reply<std::vector<std::string>> parseGetVideoSources(std::string_view bytes)
{
    return readResponse<std::vector<std::string>>(
        bytes, "GetVideoSourcesResponse", [](pugi::xml_node payload) {
            std::vector<std::string> tokens;
            for (const pugi::xml_node source : children(payload, "VideoSources")) {
                if (std::string token = attribute(source, "token"); !token.empty())
                    tokens.push_back(std::move(token));
            }
            return std::optional(std::move(tokens));
        });
}

std::optional<std::string> buildGetImagingOptions(std::string_view videoSourceToken)
{
    if (videoSourceToken.empty())
        return std::nullopt;
    XmlWriter writer = openServiceRequest("timg", kOnvifImagingNamespace, "GetOptions", false);
    writer.element("timg:VideoSourceToken", videoSourceToken);
    return writer.finish();
}

Reply<ImagingOffer> parseGetImagingOptions(std::string_view bytes)
{
    return readResponse<ImagingOffer>(bytes, "GetOptionsResponse", [](pugi::xml_node payload) {
        const pugi::xml_node options = child(payload, "ImagingOptions");
        ImagingOffer offer;
        offer.brightness = readRange(child(options, "Brightness"));
        offer.colorSaturation = readRange(child(options, "ColorSaturation"));
        offer.contrast = readRange(child(options, "Contrast"));
        offer.sharpness = readRange(child(options, "Sharpness"));
        const pugi::xml_node backlight = child(options, "BacklightCompensation");
        offer.backlightModes = readWords(backlight, "Mode");
        offer.backlightLevel = readRange(child(backlight, "Level"));
        offer.irCutFilterModes = readWords(options, "IrCutFilterModes");
        offer.whiteBalanceModes = readWords(child(options, "WhiteBalance"), "Mode");
        return std::optional(std::move(offer));
    });
}

std::optional<std::string> buildSetImagingSettings(std::string_view videoSourceToken,
                                                   const ImagingChange& change)
{
    if (videoSourceToken.empty() || !isMode(change.backlightMode) || !isMode(change.irCutFilter) ||
        !isMode(change.whiteBalance))
        return std::nullopt;
    XmlWriter writer = openServiceRequest("timg", kOnvifImagingNamespace, "SetImagingSettings");
    writer.element("timg:VideoSourceToken", videoSourceToken);
    writer.open("timg:ImagingSettings");
    // The schema's order: backlight, brightness, saturation, contrast, ...,
    // IR cut filter, sharpness, ..., white balance.
    if (change.backlightMode) {
        writer.open("tt:BacklightCompensation").element("tt:Mode", *change.backlightMode);
        if (change.backlightLevel)
            writer.element("tt:Level", number(*change.backlightLevel));
        writer.close();
    }
    if (change.brightness)
        writer.element("tt:Brightness", number(*change.brightness));
    if (change.colorSaturation)
        writer.element("tt:ColorSaturation", number(*change.colorSaturation));
    if (change.contrast)
        writer.element("tt:Contrast", number(*change.contrast));
    if (change.irCutFilter)
        writer.element("tt:IrCutFilter", *change.irCutFilter);
    if (change.sharpness)
        writer.element("tt:Sharpness", number(*change.sharpness));
    if (change.whiteBalance)
        writer.open("tt:WhiteBalance").element("tt:Mode", *change.whiteBalance).close();
    writer.close();
    writer.element("timg:ForcePersistence", "true");
    return writer.finish();
}

} // namespace vexlo::onvif
