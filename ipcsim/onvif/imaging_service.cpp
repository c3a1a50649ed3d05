#include "ipcsim/onvif/service_support.h"
#include "onvif/xml_reader.h"

#include <array>

// The imaging service (ver20): the picture settings of the one video source,
// each checked against the range GetOptions reports.
namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::child;
using vexlo::onvif::text;
using vexlo::onvif::XmlWriter;

XmlWriter open(std::string_view response)
{
    return openResponse("timg:" + std::string(response), "timg", kImagingNamespace);
}

// The source a request names, or the fault that says it does not exist.
std::optional<vexlo::onvif::SoapFault> checkSource(pugi::xml_node payload, const MediaState& state)
{
    const std::string token = text(child(payload, "VideoSourceToken"));
    if (token == state.videoSource().token) {
        return std::nullopt;
    }
    return invalidArgument("NoSource", "no video source " + quoted(token));
}

void writeRange(XmlWriter& out, std::string_view name, FloatRange range)
{
    out.open(name)
        .element("tt:Min", formatFloat(range.min))
        .element("tt:Max", formatFloat(range.max))
        .close();
}

// Reads the settings a client sent over candidate: what it leaves out stays as
// it was, as SetImagingSettings changes only what it names. Settings this
// camera has no control for (exposure, focus, wide dynamic range) are passed
// over. The answer is what is wrong, if anything.
class SettingsReader
{
public:
    SettingsReader(const ImagingOptions& options, ImagingSettings& candidate)
        : m_options(options), m_candidate(candidate)
    {
    }

    std::optional<std::string> read(pugi::xml_node settings)
    {
        if (const pugi::xml_node backlight = child(settings, "BacklightCompensation")) {
            readMode(backlight, "Mode", m_options.backlightModes, m_candidate.backlightMode);
            readLevel(backlight, "Level", m_options.backlightLevel, m_candidate.backlightLevel);
        }
        readLevel(settings, "Brightness", m_options.brightness, m_candidate.brightness);
        readLevel(settings, "ColorSaturation", m_options.colorSaturation,
                  m_candidate.colorSaturation);
        readLevel(settings, "Contrast", m_options.contrast, m_candidate.contrast);
        readMode(settings, "IrCutFilter", m_options.irCutFilterModes, m_candidate.irCutFilter);
        readLevel(settings, "Sharpness", m_options.sharpness, m_candidate.sharpness);
        if (const pugi::xml_node balance = child(settings, "WhiteBalance")) {
            readMode(balance, "Mode", m_options.whiteBalanceModes, m_candidate.whiteBalanceMode);
            readLevel(balance, "CrGain", m_options.crGain, m_candidate.crGain);
            readLevel(balance, "CbGain", m_options.cbGain, m_candidate.cbGain);
        }
        return m_error;
    }

private:
    void readLevel(pugi::xml_node parent, std::string_view name, FloatRange range, float& target)
    {
        const pugi::xml_node node = child(parent, name);
        if (!node || m_error) {
            return;
        }
        const auto value = parseFloat(text(node));
        if (!value || !range.contains(*value)) {
            m_error = std::string(name) + " " + quoted(text(node)) + " is outside " +
                      formatFloat(range.min) + ".." + formatFloat(range.max);
            return;
        }
        target = *value;
    }

    void readMode(pugi::xml_node parent, std::string_view name,
                  const std::vector<std::string>& offered, std::string& target)
    {
        const pugi::xml_node node = child(parent, name);
        if (!node || m_error) {
            return;
        }
        if (!contains(offered, text(node))) {
            m_error = std::string(name) + " " + quoted(text(node)) + " is not offered";
            return;
        }
        target = text(node);
    }

    const ImagingOptions& m_options;
    ImagingSettings& m_candidate;
    std::optional<std::string> m_error;
};

ServiceResult getImagingSettings(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkSource(payload, state)) {
        return *problem;
    }
    const ImagingSettings& settings = state.imaging();
    XmlWriter out = open("GetImagingSettingsResponse");
    out.open("timg:ImagingSettings");
    out.open("tt:BacklightCompensation")
        .element("tt:Mode", settings.backlightMode)
        .element("tt:Level", formatFloat(settings.backlightLevel))
        .close();
    out.element("tt:Brightness", formatFloat(settings.brightness));
    out.element("tt:ColorSaturation", formatFloat(settings.colorSaturation));
    out.element("tt:Contrast", formatFloat(settings.contrast));
    out.element("tt:IrCutFilter", settings.irCutFilter);
    out.element("tt:Sharpness", formatFloat(settings.sharpness));
    out.open("tt:WhiteBalance")
        .element("tt:Mode", settings.whiteBalanceMode)
        .element("tt:CrGain", formatFloat(settings.crGain))
        .element("tt:CbGain", formatFloat(settings.cbGain))
        .close();
    out.close();
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult setImagingSettings(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkSource(payload, state)) {
        return *problem;
    }
    const pugi::xml_node settings = child(payload, "ImagingSettings");
    if (!settings) {
        return invalidArgument("SettingsInvalid", "the request carries no ImagingSettings");
    }
    ImagingSettings candidate = state.imaging();
    if (auto problem = SettingsReader(state.imagingOptions(), candidate).read(settings)) {
        return invalidArgument("SettingsInvalid", *problem);
    }
    state.imaging() = candidate;
    const std::string note = "brightness " + formatFloat(candidate.brightness) + ", saturation " +
                             formatFloat(candidate.colorSaturation) + ", contrast " +
                             formatFloat(candidate.contrast) + ", sharpness " +
                             formatFloat(candidate.sharpness) + ", IR cut " + candidate.irCutFilter;
    return emptyResponse("timg:SetImagingSettingsResponse", "timg", kImagingNamespace, note);
}

ServiceResult getOptions(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkSource(payload, state)) {
        return *problem;
    }
    const ImagingOptions& options = state.imagingOptions();
    XmlWriter out = open("GetOptionsResponse");
    out.open("timg:ImagingOptions");
    out.open("tt:BacklightCompensation");
    for (const std::string& mode : options.backlightModes) {
        out.element("tt:Mode", mode);
    }
    writeRange(out, "tt:Level", options.backlightLevel);
    out.close();
    writeRange(out, "tt:Brightness", options.brightness);
    writeRange(out, "tt:ColorSaturation", options.colorSaturation);
    writeRange(out, "tt:Contrast", options.contrast);
    for (const std::string& mode : options.irCutFilterModes) {
        out.element("tt:IrCutFilterModes", mode);
    }
    writeRange(out, "tt:Sharpness", options.sharpness);
    out.open("tt:WhiteBalance");
    for (const std::string& mode : options.whiteBalanceModes) {
        out.element("tt:Mode", mode);
    }
    // The options name the gains Yr and Yb where the settings say Cr and Cb.
    writeRange(out, "tt:YrGain", options.crGain);
    writeRange(out, "tt:YbGain", options.cbGain);
    out.close();
    out.close();
    return ServiceAnswer{out.finish(), {}};
}

// The simulated lens has a fixed focus: nothing to move.
ServiceResult getMoveOptions(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkSource(payload, state)) {
        return *problem;
    }
    XmlWriter out = open("GetMoveOptionsResponse");
    out.open("timg:MoveOptions").close();
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getStatus(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkSource(payload, state)) {
        return *problem;
    }
    XmlWriter out = open("GetStatusResponse");
    out.open("timg:Status").close();
    return ServiceAnswer{out.finish(), {}};
}

constexpr std::array<StateOperation, 5> kOperations = {
    StateOperation{"GetImagingSettings", getImagingSettings},
    StateOperation{"SetImagingSettings", setImagingSettings},
    StateOperation{"GetOptions", getOptions},
    StateOperation{"GetMoveOptions", getMoveOptions},
    StateOperation{"GetStatus", getStatus},
};

} // namespace

std::optional<ServiceResult> handleImagingService(std::string_view action, pugi::xml_node payload,
                                                  MediaState& state)
{
    return runOperation(kOperations, action, payload, state);
}

} // namespace vexlo::ipcsim::onvif
