#include "onvif/media_messages.h"

#include "onvif/xml_writer.h"

namespace vexlo::onvif {

namespace {

// Larger than any camera sensor; past it a value is a fault, not a picture size.
constexpr int kMaxPictureSide = 16384;

XmlWriter openRequest(std::string_view operation)
{
    return openServiceRequest("trt", kOnvifMediaNamespace, operation);
}

int pictureSide(pugi::xml_node node)
{
    const std::optional<int> value = parseInteger(text(node));
    return value && *value > 0 && *value <= kMaxPictureSide ? *value : 0;
}

MediaProfile readProfile(pugi::xml_node node)
{
    MediaProfile out;
    out.token = trimSpace(attribute(node, "token"));
    out.name = text(child(node, "Name"));
    out.fixed = parseBoolean(attribute(node, "fixed")).value_or(false);
    if (const pugi::xml_node encoder = child(node, "VideoEncoderConfiguration")) {
        const pugi::xml_node resolution = child(encoder, "Resolution");
        out.videoEncoder = VideoEncoderSummary{
            attribute(encoder, "token"), text(child(encoder, "Name")),
            text(child(encoder, "Encoding")), pictureSide(child(resolution, "Width")),
            pictureSide(child(resolution, "Height"))};
    }
    out.analyticsToken =
        std::string(trimSpace(attribute(child(node, "VideoAnalyticsConfiguration"), "token")));
    return out;
}

} // namespace

std::string buildGetProfiles()
{
    return openRequest("GetProfiles").finish();
}

Reply<std::vector<MediaProfile>> parseGetProfiles(std::string_view bytes)
{
    return readResponse<std::vector<MediaProfile>>(
        bytes, "GetProfilesResponse", [](pugi::xml_node payload) {
            std::optional<std::vector<MediaProfile>> out(std::in_place);
            for (pugi::xml_node node : children(payload, "Profiles")) {
                MediaProfile profile = readProfile(node);
                if (!profile.token.empty())
                    out->push_back(std::move(profile));
            }
            return out;
        });
}

std::optional<std::string> buildGetStreamUri(std::string_view profileToken)
{
    profileToken = trimSpace(profileToken);
    if (profileToken.empty())
        return std::nullopt;
    XmlWriter writer = openRequest("GetStreamUri");
    writer.open("trt:StreamSetup")
        .element("tt:Stream", "RTP-Unicast")
        .open("tt:Transport")
        .element("tt:Protocol", "RTSP")
        .close()
        .close()
        .element("trt:ProfileToken", profileToken);
    return writer.finish();
}

Reply<StreamUri> parseGetStreamUri(std::string_view bytes)
{
    return readResponse<StreamUri>(bytes, "GetStreamUriResponse", [](pugi::xml_node payload) {
        std::optional<StreamUri> out(std::in_place);
        const pugi::xml_node media = child(payload, "MediaUri");
        out->uri = text(child(media, "Uri"));
        if (out->uri.empty())
            return decltype(out)();
        out->invalidAfterConnect =
            parseBoolean(text(child(media, "InvalidAfterConnect"))).value_or(false);
        out->invalidAfterReboot =
            parseBoolean(text(child(media, "InvalidAfterReboot"))).value_or(false);
        // Only informative for playback, so an odd value is not worth refusing the address.
        out->timeout =
            parseDuration(text(child(media, "Timeout"))).value_or(std::chrono::milliseconds(0));
        return out;
    });
}

} // namespace vexlo::onvif
