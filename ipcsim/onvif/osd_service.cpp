#include "ipcsim/onvif/media_writers.h"
#include "ipcsim/onvif/service_support.h"
#include "onvif/xml_reader.h"

#include <algorithm>
#include <array>

// The media service's on-screen texts: the clock and the camera's title, and
// whatever else a client adds within the camera's limits.
namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::child;
using vexlo::onvif::text;

XmlWriter open(std::string_view response)
{
    return openResponse("trt:" + std::string(response), "trt", kMediaNamespace);
}

vexlo::onvif::SoapFault noConfig(std::string_view token)
{
    return invalidArgument("NoConfig", "no OSD or configuration " + quoted(token));
}

// Clients name the OSDs' video source by its configuration token; some send
// the source's own token or a profile's, which all mean the one picture.
bool isVideoSourceReference(const MediaState& state, std::string_view token)
{
    return token == state.videoSourceConfig().token || token == state.videoSource().token ||
           state.findProfile(token) != nullptr;
}

std::vector<OsdConfig>::iterator findOsd(MediaState& state, std::string_view token)
{
    return std::ranges::find(state.osds(), token, &OsdConfig::token);
}

// Characters, not bytes, as a title on screen counts them.
std::size_t utf8Length(std::string_view text)
{
    return static_cast<std::size_t>(std::ranges::count_if(
        text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

// Reads a client's OSD over candidate; the answer is what is wrong, if anything.
std::optional<std::string> readOsd(pugi::xml_node osd, const MediaState& state,
                                   OsdConfig& candidate)
{
    const OsdOptions& options = state.osdOptions();
    if (const pugi::xml_node source = child(osd, "VideoSourceConfigurationToken")) {
        if (!isVideoSourceReference(state, text(source))) {
            return "no video source configuration " + quoted(text(source));
        }
    }
    candidate.videoSourceConfigurationToken = state.videoSourceConfig().token;
    if (const pugi::xml_node type = child(osd, "Type"); type && text(type) != "Text") {
        return "OSD type " + quoted(text(type)) + " is not offered (only Text)";
    }

    if (const pugi::xml_node position = child(osd, "Position")) {
        const std::string type = text(child(position, "Type"));
        if (!contains(options.positions, type)) {
            return "position " + quoted(type) + " is not offered";
        }
        candidate.positionType = type;
        if (type == "Custom") {
            const pugi::xml_node pos = child(position, "Pos");
            const auto x = parseFloat(vexlo::onvif::attribute(pos, "x"));
            const auto y = parseFloat(vexlo::onvif::attribute(pos, "y"));
            if (!x || !y || *x < -1 || *x > 1 || *y < -1 || *y > 1) {
                return std::string("a custom position needs Pos x and y within -1..1");
            }
            candidate.x = *x;
            candidate.y = *y;
        }
    }

    const pugi::xml_node textString = child(osd, "TextString");
    if (!textString) {
        return std::string("a text OSD needs its TextString");
    }
    const std::string textType = text(child(textString, "Type"));
    if (!contains(options.textTypes, textType)) {
        return "text type " + quoted(textType) + " is not offered";
    }
    candidate.textType = textType;
    const bool showsDate = textType == "Date" || textType == "DateAndTime";
    const bool showsTime = textType == "Time" || textType == "DateAndTime";
    const auto readFormat = [&](std::string_view name, const std::vector<std::string>& offered,
                                bool shown, std::string& target) -> std::optional<std::string> {
        const pugi::xml_node node = child(textString, name);
        if (!shown) {
            target.clear();
        } else if (node) {
            if (!contains(offered, text(node))) {
                return std::string(name) + " " + quoted(text(node)) + " is not offered";
            }
            target = text(node);
        } else if (target.empty()) {
            target = offered.back();
        }
        return std::nullopt;
    };
    if (auto problem =
            readFormat("DateFormat", options.dateFormats, showsDate, candidate.dateFormat)) {
        return problem;
    }
    if (auto problem =
            readFormat("TimeFormat", options.timeFormats, showsTime, candidate.timeFormat)) {
        return problem;
    }
    if (const pugi::xml_node size = child(textString, "FontSize")) {
        const auto value = parseInt(text(size));
        if (!value || !options.fontSize.contains(*value)) {
            return "font size " + quoted(text(size)) + " is outside " +
                   std::to_string(options.fontSize.min) + ".." +
                   std::to_string(options.fontSize.max);
        }
        candidate.fontSize = *value;
    }
    if (textType == "Plain") {
        // Text a client gives, as it gave it; the writer escapes it on the way out.
        std::string plain = vexlo::onvif::child(textString, "PlainText").child_value();
        if (utf8Length(plain) > options.maxTextLength) {
            return "the text is longer than " + std::to_string(options.maxTextLength) +
                   " characters";
        }
        candidate.plainText = std::move(plain);
    } else {
        candidate.plainText.clear();
    }
    return std::nullopt;
}

// Whether the OSDs, with candidate in place of the one it replaces (or added),
// stay within the camera's limits per kind of text.
bool withinLimits(const MediaState& state, const OsdConfig& candidate)
{
    const OsdOptions& options = state.osdOptions();
    std::vector<const OsdConfig*> all;
    for (const OsdConfig& osd : state.osds()) {
        if (osd.token != candidate.token) {
            all.push_back(&osd);
        }
    }
    all.push_back(&candidate);
    const auto count = [&](std::string_view type) {
        return std::ranges::count_if(all,
                                     [&](const OsdConfig* osd) { return osd->textType == type; });
    };
    return static_cast<int>(all.size()) <= options.maxTotal &&
           count("Plain") <= options.maxPlainText && count("Date") <= options.maxDate &&
           count("Time") <= options.maxTime && count("DateAndTime") <= options.maxDateAndTime;
}

std::string describe(const OsdConfig& osd)
{
    std::string note = osd.token + ": " + osd.textType + " at " + osd.positionType;
    if (osd.textType == "Plain") {
        note += " \"" + osd.plainText + "\"";
    }
    return note;
}

ServiceResult getOsds(pugi::xml_node payload, MediaState& state)
{
    if (const pugi::xml_node token = child(payload, "ConfigurationToken");
        token && !isVideoSourceReference(state, text(token))) {
        return noConfig(text(token));
    }
    XmlWriter out = open("GetOSDsResponse");
    for (const OsdConfig& osd : state.osds()) {
        writeOsd(out, "trt:OSDs", osd);
    }
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getOsd(pugi::xml_node payload, MediaState& state)
{
    const std::string token = text(child(payload, "OSDToken"));
    const auto found = findOsd(state, token);
    if (found == state.osds().end()) {
        return noConfig(token);
    }
    XmlWriter out = open("GetOSDResponse");
    writeOsd(out, "trt:OSD", *found);
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult createOsd(pugi::xml_node payload, MediaState& state)
{
    OsdConfig candidate;
    candidate.fontSize = state.osdOptions().fontSize.min;
    if (const auto problem = readOsd(child(payload, "OSD"), state, candidate)) {
        return invalidArgument("ConfigModify", *problem);
    }
    // The camera names its OSDs itself; a client's token is only a suggestion.
    if (!withinLimits(state, candidate)) {
        return fault("Receiver", "Action", "MaxOSDs",
                     "no room for another " + candidate.textType + " OSD");
    }
    candidate.token = state.nextOsdToken();
    state.osds().push_back(candidate);
    XmlWriter out = open("CreateOSDResponse");
    out.element("trt:OSDToken", candidate.token);
    return ServiceAnswer{out.finish(), "created " + describe(candidate)};
}

ServiceResult setOsd(pugi::xml_node payload, MediaState& state)
{
    const pugi::xml_node osd = child(payload, "OSD");
    const std::string token = vexlo::onvif::attribute(osd, "token");
    const auto found = findOsd(state, token);
    if (found == state.osds().end()) {
        return noConfig(token);
    }
    OsdConfig candidate = *found;
    if (const auto problem = readOsd(osd, state, candidate)) {
        return invalidArgument("ConfigModify", token + ": " + *problem);
    }
    if (!withinLimits(state, candidate)) {
        return invalidArgument("ConfigModify",
                               token + ": no room for another " + candidate.textType + " OSD");
    }
    *found = candidate;
    return emptyResponse("trt:SetOSDResponse", "trt", kMediaNamespace, describe(candidate));
}

ServiceResult deleteOsd(pugi::xml_node payload, MediaState& state)
{
    const std::string token = text(child(payload, "OSDToken"));
    const auto found = findOsd(state, token);
    if (found == state.osds().end()) {
        return noConfig(token);
    }
    state.osds().erase(found);
    return emptyResponse("trt:DeleteOSDResponse", "trt", kMediaNamespace, "deleted " + token);
}

ServiceResult getOsdOptions(pugi::xml_node payload, MediaState& state)
{
    const std::string token = text(child(payload, "ConfigurationToken"));
    if (!isVideoSourceReference(state, token)) {
        return noConfig(token);
    }
    const OsdOptions& options = state.osdOptions();
    XmlWriter out = open("GetOSDOptionsResponse");
    out.open("trt:OSDOptions");
    out.open("tt:MaximumNumberOfOSDs")
        .attribute("Total", std::to_string(options.maxTotal))
        .attribute("Image", "0")
        .attribute("PlainText", std::to_string(options.maxPlainText))
        .attribute("Date", std::to_string(options.maxDate))
        .attribute("Time", std::to_string(options.maxTime))
        .attribute("DateAndTime", std::to_string(options.maxDateAndTime))
        .close();
    out.element("tt:Type", "Text");
    for (const std::string& position : options.positions) {
        out.element("tt:PositionOption", position);
    }
    out.open("tt:TextOption");
    for (const std::string& type : options.textTypes) {
        out.element("tt:Type", type);
    }
    out.open("tt:FontSizeRange")
        .element("tt:Min", std::to_string(options.fontSize.min))
        .element("tt:Max", std::to_string(options.fontSize.max))
        .close();
    for (const std::string& format : options.dateFormats) {
        out.element("tt:DateFormat", format);
    }
    for (const std::string& format : options.timeFormats) {
        out.element("tt:TimeFormat", format);
    }
    out.close();
    out.close();
    return ServiceAnswer{out.finish(), {}};
}

constexpr std::array<StateOperation, 6> kOperations = {
    StateOperation{"GetOSDs", getOsds},     StateOperation{"GetOSD", getOsd},
    StateOperation{"CreateOSD", createOsd}, StateOperation{"SetOSD", setOsd},
    StateOperation{"DeleteOSD", deleteOsd}, StateOperation{"GetOSDOptions", getOsdOptions},
};

} // namespace

std::optional<ServiceResult> handleOsdService(std::string_view action, pugi::xml_node payload,
                                              MediaState& state)
{
    return runOperation(kOperations, action, payload, state);
}

} // namespace vexlo::ipcsim::onvif
