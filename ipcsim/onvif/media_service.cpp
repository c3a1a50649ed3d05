#include "ipcsim/onvif/encoder_settings.h"
#include "ipcsim/onvif/media_writers.h"
#include "ipcsim/onvif/service_support.h"
#include "onvif/xml_reader.h"

#include <array>

// The media service (ver10): profiles, stream URIs, sources and encoders.
namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::child;
using vexlo::onvif::text;

vexlo::onvif::SoapFault noProfile(std::string_view token)
{
    return invalidArgument("NoProfile", "no media profile " + quoted(token));
}

vexlo::onvif::SoapFault noConfig(std::string_view token)
{
    return invalidArgument("NoConfig", "no configuration " + quoted(token));
}

XmlWriter open(std::string_view response)
{
    return openResponse("trt:" + std::string(response), "trt", kMediaNamespace);
}

ServiceResult getProfiles(pugi::xml_node, MediaState& state, const MediaContext&)
{
    XmlWriter out = open("GetProfilesResponse");
    for (const MediaProfile& profile : state.profiles()) {
        writeProfile(out, "trt:Profiles", profile, state);
    }
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getProfile(pugi::xml_node payload, MediaState& state, const MediaContext&)
{
    const std::string token = text(child(payload, "ProfileToken"));
    const MediaProfile* profile = state.findProfile(token);
    if (!profile) {
        return noProfile(token);
    }
    XmlWriter out = open("GetProfileResponse");
    writeProfile(out, "trt:Profile", *profile, state);
    return ServiceAnswer{out.finish(), {}};
}

// Every valid stream setup gets the profile's RTSP URI: the RTSP server
// serves interleaved TCP, and a client asking for UDP or multicast still
// negotiates its transport in SETUP.
ServiceResult getStreamUri(pugi::xml_node payload, MediaState& state, const MediaContext& context)
{
    static const std::vector<std::string> kStreams = {"RTP-Unicast", "RTP-Multicast"};
    static const std::vector<std::string> kProtocols = {"UDP", "TCP", "RTSP", "HTTP"};
    const pugi::xml_node setup = child(payload, "StreamSetup");
    const pugi::xml_node stream = child(setup, "Stream");
    const pugi::xml_node protocol = vexlo::onvif::find(setup, {"Transport", "Protocol"});
    if ((stream && !contains(kStreams, text(stream))) ||
        (protocol && !contains(kProtocols, text(protocol)))) {
        return invalidArgument("InvalidStreamSetup", "stream setup " + quoted(text(stream)) +
                                                         " over " + quoted(text(protocol)) +
                                                         " is not supported");
    }
    const std::string token = text(child(payload, "ProfileToken"));
    const MediaProfile* profile = state.findProfile(token);
    if (!profile) {
        return noProfile(token);
    }
    const std::string uri = context.streamUri(profile->streamPath);
    XmlWriter out = open("GetStreamUriResponse");
    out.open("trt:MediaUri");
    out.element("tt:Uri", uri)
        .element("tt:InvalidAfterConnect", "false")
        .element("tt:InvalidAfterReboot", "false")
        .element("tt:Timeout", "PT0S");
    out.close();
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getVideoSources(pugi::xml_node, MediaState& state, const MediaContext&)
{
    XmlWriter out = open("GetVideoSourcesResponse");
    writeVideoSource(out, "trt:VideoSources", state.videoSource());
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getVideoSourceConfigurations(pugi::xml_node, MediaState& state, const MediaContext&)
{
    XmlWriter out = open("GetVideoSourceConfigurationsResponse");
    writeVideoSourceConfig(out, "trt:Configurations", state.videoSourceConfig());
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getVideoEncoderConfigurations(pugi::xml_node, MediaState& state, const MediaContext&)
{
    XmlWriter out = open("GetVideoEncoderConfigurationsResponse");
    for (const VideoEncoderConfig& encoder : state.videoEncoders()) {
        writeVideoEncoder(out, "trt:Configurations", encoder);
    }
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getVideoEncoderConfiguration(pugi::xml_node payload, MediaState& state,
                                           const MediaContext&)
{
    const std::string token = text(child(payload, "ConfigurationToken"));
    const VideoEncoderConfig* encoder = state.findVideoEncoder(token);
    if (!encoder) {
        return noConfig(token);
    }
    XmlWriter out = open("GetVideoEncoderConfigurationResponse");
    writeVideoEncoder(out, "trt:Configuration", *encoder);
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult setVideoEncoderConfiguration(pugi::xml_node payload, MediaState& state,
                                           const MediaContext&)
{
    const pugi::xml_node configuration = child(payload, "Configuration");
    const std::string token = vexlo::onvif::attribute(configuration, "token");
    VideoEncoderConfig* encoder = state.findVideoEncoder(token);
    if (!encoder) {
        return noConfig(token);
    }
    VideoEncoderConfig candidate = *encoder;
    if (const auto problem =
            readVideoEncoder(configuration, state.videoEncoderOptions(*encoder), candidate)) {
        return invalidArgument("ConfigModify", token + ": " + *problem);
    }
    *encoder = std::move(candidate);
    const std::string note = encoder->token + ": " + std::to_string(encoder->resolution.width) +
                             "x" + std::to_string(encoder->resolution.height) + ", " +
                             std::to_string(encoder->frameRateLimit) + " fps, " +
                             std::to_string(encoder->bitrateLimitKbps) + " kbps, " +
                             encoder->h264Profile;
    return emptyResponse("trt:SetVideoEncoderConfigurationResponse", "trt", kMediaNamespace, note);
}

ServiceResult getVideoEncoderConfigurationOptions(pugi::xml_node payload, MediaState& state,
                                                  const MediaContext&)
{
    // Without a token the camera answers for its first encoder, which offers
    // the most.
    const VideoEncoderConfig* encoder = &state.videoEncoders().front();
    if (const pugi::xml_node node = child(payload, "ConfigurationToken")) {
        encoder = state.findVideoEncoder(text(node));
        if (!encoder) {
            return noConfig(text(node));
        }
    } else if (const pugi::xml_node profileToken = child(payload, "ProfileToken")) {
        const MediaProfile* profile = state.findProfile(text(profileToken));
        if (!profile) {
            return noProfile(text(profileToken));
        }
        encoder = state.findVideoEncoder(profile->videoEncoderToken);
    }
    XmlWriter out = open("GetVideoEncoderConfigurationOptionsResponse");
    writeVideoEncoderOptions(out, "trt:Options", state.videoEncoderOptions(*encoder));
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getAudioEncoderConfigurations(pugi::xml_node, MediaState& state, const MediaContext&)
{
    XmlWriter out = open("GetAudioEncoderConfigurationsResponse");
    writeAudioEncoder(out, "trt:Configurations", state.audioEncoder());
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getAudioEncoderConfiguration(pugi::xml_node payload, MediaState& state,
                                           const MediaContext&)
{
    const std::string token = text(child(payload, "ConfigurationToken"));
    if (token != state.audioEncoder().token) {
        return noConfig(token);
    }
    XmlWriter out = open("GetAudioEncoderConfigurationResponse");
    writeAudioEncoder(out, "trt:Configuration", state.audioEncoder());
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult setAudioEncoderConfiguration(pugi::xml_node payload, MediaState& state,
                                           const MediaContext&)
{
    const pugi::xml_node configuration = child(payload, "Configuration");
    const std::string token = vexlo::onvif::attribute(configuration, "token");
    if (token != state.audioEncoder().token) {
        return noConfig(token);
    }
    AudioEncoderConfig candidate = state.audioEncoder();
    if (const auto problem =
            readAudioEncoder(configuration, state.audioEncoderOptions(), candidate)) {
        return invalidArgument("ConfigModify", token + ": " + *problem);
    }
    state.audioEncoder() = std::move(candidate);
    const AudioEncoderConfig& audio = state.audioEncoder();
    const std::string note = audio.token + ": " + audio.encoding + ", " +
                             std::to_string(audio.sampleRateKhz) + " kHz, " +
                             std::to_string(audio.bitrateKbps) + " kbps";
    return emptyResponse("trt:SetAudioEncoderConfigurationResponse", "trt", kMediaNamespace, note);
}

ServiceResult getAudioEncoderConfigurationOptions(pugi::xml_node payload, MediaState& state,
                                                  const MediaContext&)
{
    if (const pugi::xml_node node = child(payload, "ConfigurationToken");
        node && text(node) != state.audioEncoder().token) {
        return noConfig(text(node));
    }
    if (const pugi::xml_node node = child(payload, "ProfileToken");
        node && !state.findProfile(text(node))) {
        return noProfile(text(node));
    }
    XmlWriter out = open("GetAudioEncoderConfigurationOptionsResponse");
    out.open("trt:Options");
    for (const AudioEncoderOption& option : state.audioEncoderOptions()) {
        out.open("tt:Options").element("tt:Encoding", option.encoding);
        out.open("tt:BitrateList");
        for (const int bitrate : option.bitratesKbps) {
            out.element("tt:Items", std::to_string(bitrate));
        }
        out.close().open("tt:SampleRateList");
        for (const int rate : option.sampleRatesKhz) {
            out.element("tt:Items", std::to_string(rate));
        }
        out.close().close();
    }
    out.close();
    return ServiceAnswer{out.finish(), {}};
}

using Handler = ServiceResult (*)(pugi::xml_node, MediaState&, const MediaContext&);

struct Operation
{
    std::string_view action;
    Handler handler;
};

constexpr std::array kOperations = {
    Operation{"GetProfiles", getProfiles},
    Operation{"GetProfile", getProfile},
    Operation{"GetStreamUri", getStreamUri},
    Operation{"GetVideoSources", getVideoSources},
    Operation{"GetVideoSourceConfigurations", getVideoSourceConfigurations},
    Operation{"GetVideoEncoderConfigurations", getVideoEncoderConfigurations},
    Operation{"GetVideoEncoderConfiguration", getVideoEncoderConfiguration},
    Operation{"SetVideoEncoderConfiguration", setVideoEncoderConfiguration},
    Operation{"GetVideoEncoderConfigurationOptions", getVideoEncoderConfigurationOptions},
    Operation{"GetAudioEncoderConfigurations", getAudioEncoderConfigurations},
    Operation{"GetAudioEncoderConfiguration", getAudioEncoderConfiguration},
    Operation{"SetAudioEncoderConfiguration", setAudioEncoderConfiguration},
    Operation{"GetAudioEncoderConfigurationOptions", getAudioEncoderConfigurationOptions},
};

} // namespace

std::optional<ServiceResult> handleMediaService(std::string_view action, pugi::xml_node payload,
                                                MediaState& state, const MediaContext& context)
{
    for (const Operation& operation : kOperations) {
        if (operation.action == action) {
            return operation.handler(payload, state, context);
        }
    }
    return handleOsdService(action, payload, state);
}

} // namespace vexlo::ipcsim::onvif
