#include "onvif/encoder_messages.h"
#include "onvif/imaging_messages.h"
#include "onvif/osd_messages.h"
#include "onvif/section_support.h"
#include "onvif/settings_messages.h"
#include "platform/codepage.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

// The media sections of the configuration push: video and audio encoding,
// capture (the imaging settings) and the overlay (OSDs), each fitted to what
// the camera offers.
namespace vexlo::onvif::sections {

namespace {

// The page's picture values run 0..255.
constexpr double kPageScale = 255.0;

// A resolution name of the video page ("1080P", "D1", "640X360").
std::optional<Resolution> resolutionOf(std::string_view name)
{
    static const std::pair<std::string_view, Resolution> kNamed[] = {
        {"720P", {1280, 720}},   {"960P", {1280, 960}},   {"1080P", {1920, 1080}},
        {"1440P", {2560, 1440}}, {"1512P", {2688, 1512}}, {"448P", {800, 448}},
        {"QVGA", {320, 240}},    {"CIF", {352, 288}},     {"VGA", {640, 480}},
        {"D1", {704, 576}},
    };
    for (const auto& [named, size] : kNamed) {
        if (name == named)
            return size;
    }
    const std::size_t cross = name.find('X');
    if (cross == std::string_view::npos)
        return std::nullopt;
    int width = 0;
    int height = 0;
    const auto w = std::from_chars(name.data(), name.data() + cross, width);
    const auto h = std::from_chars(name.data() + cross + 1, name.data() + name.size(), height);
    if (w.ec != std::errc() || h.ec != std::errc() || width <= 0 || height <= 0)
        return std::nullopt;
    return Resolution{width, height};
}

// The offered resolution closest in pixels to the wanted one.
Resolution nearestOffered(const std::vector<Resolution>& offered, Resolution wanted)
{
    const auto pixels = [](Resolution r) { return static_cast<long long>(r.width) * r.height; };
    Resolution best = offered.front();
    for (const Resolution& candidate : offered) {
        if (std::llabs(pixels(candidate) - pixels(wanted)) <
            std::llabs(pixels(best) - pixels(wanted)))
            best = candidate;
    }
    return best;
}

std::string sizeText(Resolution size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

int clampedInto(int wanted, const std::optional<IntRange>& range)
{
    return range ? std::clamp(wanted, range->min, range->max) : wanted;
}

int nearestIn(const std::vector<int>& offered, int wanted)
{
    int best = offered.front();
    for (const int value : offered) {
        if (std::abs(value - wanted) < std::abs(best - wanted))
            best = value;
    }
    return best;
}

// One stream of the video page onto the encoder configuration of one
// profile: the resolution nearest to one the camera offers, frame rate and
// bit rate within its ranges, H.264.
SectionVerdict pushVideoStream(DeviceClient& client, pugi::xml_node stream,
                               const std::string& token, std::vector<std::string>& fitted)
{
    const auto wanted = resolutionOf(fieldOf(stream, "Resolution"));
    const auto frameRate = numberOf(stream, "FrameRate");
    const auto bitrate = numberOf(stream, "BitRate");
    if (!wanted || !frameRate || !bitrate)
        return SectionVerdict::Refused;
    auto config = mediaCall<VideoEncoderConfig>(client, "GetVideoEncoderConfiguration",
                                                buildGetVideoEncoderConfiguration(token),
                                                parseGetVideoEncoderConfiguration);
    auto offer = mediaCall<VideoEncoderOffer>(client, "GetVideoEncoderConfigurationOptions",
                                              buildGetVideoEncoderConfigurationOptions(token),
                                              parseGetVideoEncoderConfigurationOptions);
    if (!config.ok())
        return verdictOf(config);
    if (!offer.ok())
        return verdictOf(offer);
    VideoEncoderConfig next = *config.value();
    const VideoEncoderOffer& offered = *offer.value();
    const Resolution size =
        offered.resolutions.empty() ? *wanted : nearestOffered(offered.resolutions, *wanted);
    next.encoding = "H264";
    next.width = size.width;
    next.height = size.height;
    next.frameRateLimit = clampedInto(*frameRate, offered.frameRate);
    next.bitrateLimit = clampedInto(*bitrate, offered.bitrate);
    const std::string streamName =
        std::string("video encoding, stream ") + fieldOf(stream, "Stream") + ": ";
    if (size.width != wanted->width || size.height != wanted->height)
        fitted.push_back(streamName + sizeText(*wanted) + " is not offered, " + sizeText(size) +
                         " was set");
    if (next.frameRateLimit != *frameRate)
        fitted.push_back(streamName + std::to_string(*frameRate) + " fps is not offered, " +
                         std::to_string(next.frameRateLimit) + " fps was set");
    if (next.bitrateLimit != *bitrate)
        fitted.push_back(streamName + std::to_string(*bitrate) + " kbit/s is not offered, " +
                         std::to_string(next.bitrateLimit) + " kbit/s was set");
    return verdictOf(mediaCall<Accepted>(
        client, "SetVideoEncoderConfiguration", buildSetVideoEncoderConfiguration(next),
        [](std::string_view bytes) {
            return parseEmptyResponse(bytes, "SetVideoEncoderConfigurationResponse");
        }));
}

} // namespace

// Encode: the main stream on the first profile, the sub stream on the second
// where the camera has one.
SectionPush pushVideo(DeviceClient& client, pugi::xml_node root)
{
    const auto profiles = client.getProfiles();
    if (!profiles.ok())
        return only(verdictOf(profiles));
    std::vector<std::string> tokens;
    for (const MediaProfile& profile : *profiles.value()) {
        if (profile.videoEncoder && !profile.videoEncoder->token.empty())
            tokens.push_back(profile.videoEncoder->token);
    }
    if (tokens.empty())
        return {};
    SectionPush push = only(SectionVerdict::Set);
    for (const pugi::xml_node stream : root.children("EncodeConfig")) {
        const auto number = numberOf(stream, "Stream");
        if (!number || *number < 1 || static_cast<std::size_t>(*number) > tokens.size()) {
            push.fitted.push_back("video encoding: the camera has no stream " +
                                  fieldOf(stream, "Stream") + ", it was left out");
            continue;
        }
        push.verdict = pushVideoStream(client, stream, tokens[*number - 1], push.fitted);
        if (push.verdict != SectionVerdict::Set)
            break;
    }
    return push;
}

// Audio: encoding, sample rate and bit rate, each fitted to what the camera
// offers. ONVIF switches audio on by the profile's configuration, which this
// page does not set: a page that switches it off is refused.
SectionPush pushAudio(DeviceClient& client, pugi::xml_node root)
{
    const pugi::xml_node encode = root.child("Encode");
    const auto enabled = numberOf(encode, "Enable");
    const auto sampleRate = numberOf(encode, "SampleRate");
    const auto bitrate = numberOf(encode, "BitRate");
    const std::string type = fieldOf(encode, "EncodeType");
    if (!enabled || *enabled == 0 || !sampleRate || !bitrate)
        return {};
    const std::string encoding = type == "AAC" ? "AAC" : "G711";
    auto configs = mediaCall<std::vector<AudioEncoderConfig>>(
        client, "GetAudioEncoderConfigurations", buildGetAudioEncoderConfigurations(),
        parseGetAudioEncoderConfigurations);
    if (!configs.ok() || configs.value()->empty())
        return only(configs.ok() ? SectionVerdict::Refused : verdictOf(configs));
    AudioEncoderConfig next = configs.value()->front();
    auto offers = mediaCall<std::vector<AudioEncoderOffer>>(
        client, "GetAudioEncoderConfigurationOptions",
        buildGetAudioEncoderConfigurationOptions(next.token),
        parseGetAudioEncoderConfigurationOptions);
    if (!offers.ok())
        return only(verdictOf(offers));
    const auto offer =
        std::find_if(offers.value()->begin(), offers.value()->end(),
                     [&](const AudioEncoderOffer& o) { return o.encoding == encoding; });
    if (offer == offers.value()->end())
        return {}; // the camera does not have this encoding
    next.encoding = encoding;
    // The page gives hertz and hundreds of bits per second; the camera kHz and kbit/s.
    next.sampleRate = offer->sampleRates.empty()
                          ? *sampleRate / 1000
                          : nearestIn(offer->sampleRates, *sampleRate / 1000);
    next.bitrate =
        offer->bitrates.empty() ? *bitrate / 100 : nearestIn(offer->bitrates, *bitrate / 100);
    SectionPush push = only(verdictOf(mediaCall<Accepted>(
        client, "SetAudioEncoderConfiguration", buildSetAudioEncoderConfiguration(next),
        [](std::string_view bytes) {
            return parseEmptyResponse(bytes, "SetAudioEncoderConfigurationResponse");
        })));
    if (next.sampleRate * 1000 != *sampleRate)
        push.fitted.push_back("audio: " + std::to_string(*sampleRate) + " Hz is not offered, " +
                              std::to_string(next.sampleRate) + " kHz was set");
    if (next.bitrate * 100 != *bitrate)
        push.fitted.push_back("audio: the bit rate " + std::to_string(*bitrate) +
                              " is not offered, " + std::to_string(next.bitrate) +
                              " kbit/s was set");
    return push;
}

namespace {

// A page value 0..255 placed in the camera's range.
std::optional<double> scaledInto(std::optional<int> page, const std::optional<FloatRange>& range)
{
    if (!page || !range)
        return std::nullopt;
    const double share = std::clamp(*page, 0, 255) / kPageScale;
    return range->min + share * (range->max - range->min);
}

bool offers(const std::vector<std::string>& modes, std::string_view mode)
{
    return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

std::optional<std::string> offered(const std::vector<std::string>& modes, std::string mode)
{
    return offers(modes, mode) ? std::optional(std::move(mode)) : std::nullopt;
}

} // namespace

// Capture: brightness, saturation, sharpness, contrast and backlight scaled
// into the ranges the camera offers; white balance automatic or manual; the
// IR cut filter automatic, or on by day and off by night in manual mode.
// What the camera does not offer is left as it is.
SectionPush pushCapture(DeviceClient& client, pugi::xml_node root)
{
    const auto services = client.getCapabilities();
    if (!services.ok())
        return only(verdictOf(services));
    const std::string imaging = services.value()->imaging;
    const auto media = client.mediaServiceUrl();
    if (imaging.empty() || !media.ok())
        return only(media.ok() ? SectionVerdict::Refused : verdictOf(media));
    const auto sources = client.call(std::string(kOnvifMediaNamespace) + "/GetVideoSources",
                                     buildGetVideoSources(), *media.value());
    if (!sources.ok())
        return only(verdictOf(sources));
    const auto tokens = parseGetVideoSources(*sources.value());
    if (!tokens.ok() || tokens.value()->empty())
        return {};
    const std::string source = tokens.value()->front();
    const std::string imagingAction = std::string(kOnvifImagingNamespace) + "/";
    const auto optionsReply =
        client.call(imagingAction + "GetOptions", *buildGetImagingOptions(source), imaging);
    if (!optionsReply.ok())
        return only(verdictOf(optionsReply));
    const auto options = parseGetImagingOptions(*optionsReply.value());
    if (!options.ok())
        return {};
    const ImagingOffer& offer = *options.value();

    SectionPush push;
    // A mode the camera does not offer is left as the camera has it.
    const auto mode = [&](std::string_view what, const std::vector<std::string>& modes,
                          std::string wanted) -> std::optional<std::string> {
        auto chosen = offered(modes, wanted);
        if (!chosen)
            push.fitted.push_back("capture: " + std::string(what) + " " + wanted +
                                  " is not offered, it was left as it is");
        return chosen;
    };
    ImagingChange change;
    change.brightness = scaledInto(numberOf(root, "Brightness"), offer.brightness);
    change.colorSaturation = scaledInto(numberOf(root, "Saturation"), offer.colorSaturation);
    change.sharpness = scaledInto(numberOf(root, "Sharpness"), offer.sharpness);
    change.contrast = scaledInto(numberOf(root, "Contrast"), offer.contrast);
    if (const auto backlight = numberOf(root, "BackLight")) {
        change.backlightMode =
            mode("backlight compensation", offer.backlightModes, *backlight > 0 ? "ON" : "OFF");
        if (change.backlightMode == "ON")
            change.backlightLevel = scaledInto(backlight, offer.backlightLevel);
    }
    if (const auto balance = numberOf(root, "WhiteBalance"))
        change.whiteBalance =
            mode("white balance", offer.whiteBalanceModes, *balance == 0 ? "AUTO" : "MANUAL");
    if (const auto ircut = numberOf(root, "IrcutMode")) {
        constexpr int kManual = 3;
        const bool day = numberOf(root, "DayNight").value_or(1) != 0;
        change.irCutFilter = mode("IR cut filter", offer.irCutFilterModes,
                                  *ircut != kManual ? "AUTO"
                                  : day             ? "ON"
                                                    : "OFF");
    }
    const auto set = client.call(imagingAction + "SetImagingSettings",
                                 buildSetImagingSettings(source, change).value_or(""), imaging);
    if (!set.ok())
        return only(verdictOf(set));
    push.verdict = parseEmptyResponse(*set.value(), "SetImagingSettingsResponse").ok()
                       ? SectionVerdict::Set
                       : SectionVerdict::Refused;
    return push;
}

namespace {

// The corner of an overlay's PosX and PosY; nothing for "not shown" (2, 2)
// or a value the page never sends.
std::optional<std::string> cornerOf(std::optional<int> x, std::optional<int> y)
{
    if (!x || !y)
        return std::nullopt;
    if (*x == 0 && *y == 0)
        return "UpperLeft";
    if (*x == 1 && *y == 0)
        return "UpperRight";
    if (*x == 0 && *y == 1)
        return "LowerLeft";
    if (*x == 1 && *y == 1)
        return "LowerRight";
    return std::nullopt;
}

// The title's GBK bytes from their hex form, as UTF-8 on one line.
std::optional<std::string> titleOf(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (error != std::errc() || end != hex.data() + i + 2)
            return std::nullopt;
        bytes += static_cast<char>(value == '^' ? ' ' : value); // '^' parts the lines
    }
    return utf16ToUtf8(gbkToUtf16(bytes));
}

// The page's "yyyy-mm-dd hh:mm:ss" in the standard's letters (months MM,
// 24-hour HH), split into its date and time; each fitted to an offered one.
std::pair<std::string, std::string> dateAndTimeFormats(std::string_view page, const OsdOffer& offer,
                                                       std::vector<std::string>& fitted)
{
    std::string date;
    std::string time;
    std::size_t start = 0;
    while (start < page.size()) {
        const std::size_t end = std::min(page.find(' ', start), page.size());
        std::string part(page.substr(start, end - start));
        if (part.find(':') != std::string::npos) {
            for (std::size_t at = part.find("hh"); at != std::string::npos; at = part.find("hh"))
                part.replace(at, 2, "HH");
            time = part;
        } else {
            for (std::size_t at = part.find("mm"); at != std::string::npos; at = part.find("mm"))
                part.replace(at, 2, "MM");
            date = part;
        }
        start = end + 1;
    }
    const auto fit = [&](std::string wanted, const std::vector<std::string>& offered) {
        if (offered.empty() || offers(offered, wanted))
            return wanted;
        fitted.push_back("overlay: the format " + wanted + " is not offered, " + offered.front() +
                         " was set");
        return offered.front();
    };
    return {fit(date, offer.dateFormats), fit(time, offer.timeFormats)};
}

// Keeps one OSD of the camera as `wanted` says: set where one exists,
// created where none does, deleted where the page hides it.
SectionVerdict placeOsd(DeviceClient& client, const std::optional<OsdText>& existing,
                        const std::optional<OsdText>& wanted)
{
    const auto accepted = [](std::string_view response) {
        return [response](std::string_view bytes) { return parseEmptyResponse(bytes, response); };
    };
    if (!wanted) {
        if (!existing)
            return SectionVerdict::Set;
        return verdictOf(mediaCall<Accepted>(client, "DeleteOSD", buildDeleteOSD(existing->token),
                                             accepted("DeleteOSDResponse")));
    }
    if (existing) {
        OsdText next = *wanted;
        next.token = existing->token;
        return verdictOf(
            mediaCall<Accepted>(client, "SetOSD", buildSetOSD(next), accepted("SetOSDResponse")));
    }
    const auto created = mediaCall<std::string>(
        client, "CreateOSD", buildCreateOSD(*wanted), [](std::string_view bytes) {
            return readResponse<std::string>(bytes, "CreateOSDResponse", [](pugi::xml_node p) {
                return std::optional(text(child(p, "OSDToken")));
            });
        });
    return verdictOf(created);
}

} // namespace

// Overlay: the date and time, and the title, each in its corner of the
// picture or not shown; the OSD switch off hides both.
SectionPush pushOverlay(DeviceClient& client, pugi::xml_node root)
{
    auto configurations = mediaCall<std::vector<std::string>>(
        client, "GetVideoSourceConfigurations", buildGetVideoSourceConfigurations(),
        parseGetVideoSourceConfigurations);
    if (!configurations.ok() || configurations.value()->empty())
        return only(configurations.ok() ? SectionVerdict::Refused : verdictOf(configurations));
    const std::string source = configurations.value()->front();
    auto offer = mediaCall<OsdOffer>(client, "GetOSDOptions", buildGetOSDOptions(source),
                                     parseGetOSDOptions);
    auto osds = mediaCall<std::vector<OsdText>>(client, "GetOSDs", buildGetOSDs(), parseGetOSDs);
    if (!offer.ok())
        return only(verdictOf(offer));
    if (!osds.ok())
        return only(verdictOf(osds));

    const bool shown = numberOf(root, "Enable").value_or(0) != 0;
    const auto find = [&](bool clock) -> std::optional<OsdText> {
        for (const OsdText& osd : *osds.value()) {
            const bool isClock = osd.textType != "Plain";
            if (isClock == clock && (osd.videoSourceConfigurationToken.empty() ||
                                     osd.videoSourceConfigurationToken == source))
                return osd;
        }
        return std::nullopt;
    };
    const auto place = [&](const char* element) -> std::optional<std::string> {
        const auto corner = cornerOf(numberOf(root, (std::string(element) + "/PosX").c_str()),
                                     numberOf(root, (std::string(element) + "/PosY").c_str()));
        return shown ? corner : std::nullopt;
    };

    SectionPush push;
    std::optional<OsdText> clock;
    if (const auto corner = place("TimeOverlay")) {
        if (!offers(offer.value()->positions, *corner) ||
            !offers(offer.value()->textTypes, "DateAndTime"))
            return {};
        const auto [date, time] =
            dateAndTimeFormats(fieldOf(root, "TimeOverlay/Format"), *offer.value(), push.fitted);
        clock = OsdText{"", source, *corner, "DateAndTime", date, time, ""};
    }
    std::optional<OsdText> title;
    if (const auto corner = place("TitleOverlay")) {
        const auto words = titleOf(fieldOf(root, "TitleOverlay/Title"));
        if (!words)
            return {};
        if (!words->empty()) {
            if (!offers(offer.value()->positions, *corner) ||
                !offers(offer.value()->textTypes, "Plain"))
                return {};
            title = OsdText{"", source, *corner, "Plain", "", "", *words};
        }
    }
    push.verdict = placeOsd(client, find(true), clock);
    if (push.verdict == SectionVerdict::Set)
        push.verdict = placeOsd(client, find(false), title);
    return push;
}

} // namespace vexlo::onvif::sections
