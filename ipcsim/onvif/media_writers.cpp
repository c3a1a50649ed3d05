#include "ipcsim/onvif/media_writers.h"

#include "ipcsim/onvif/service_support.h"
#include "onvif/packbits.h"

#include <string>

namespace vexlo::ipcsim::onvif {

using vexlo::onvif::encodeActiveCells;

namespace {

void writeInt(XmlWriter& out, std::string_view name, int value)
{
    out.element(name, std::to_string(value));
}

void writeResolution(XmlWriter& out, std::string_view name, Resolution resolution)
{
    out.open(name);
    writeInt(out, "tt:Width", resolution.width);
    writeInt(out, "tt:Height", resolution.height);
    out.close();
}

void writeIntRange(XmlWriter& out, std::string_view name, IntRange range)
{
    out.open(name);
    writeInt(out, "tt:Min", range.min);
    writeInt(out, "tt:Max", range.max);
    out.close();
}

void writeMulticast(XmlWriter& out, const MulticastSettings& multicast)
{
    out.open("tt:Multicast");
    out.open("tt:Address").element("tt:Type", "IPv4").element("tt:IPv4Address", multicast.address);
    out.close();
    writeInt(out, "tt:Port", multicast.port);
    writeInt(out, "tt:TTL", multicast.ttl);
    out.element("tt:AutoStart", formatBool(multicast.autoStart));
    out.close();
}

void writeEntityHead(XmlWriter& out, std::string_view name, const std::string& token,
                     const std::string& entityName, int useCount)
{
    out.open(name).attribute("token", token);
    out.element("tt:Name", entityName);
    writeInt(out, "tt:UseCount", useCount);
}

void writeSimpleItem(XmlWriter& out, std::string_view name, std::string_view value)
{
    out.open("tt:SimpleItem").attribute("Name", name).attribute("Value", value).close();
}

// The simulator has one microphone input, shared by both profiles.
void writeAudioSourceConfig(XmlWriter& out)
{
    writeEntityHead(out, "tt:AudioSourceConfiguration", "AudioSourceConfig_1",
                    "AudioSourceConfig_1", 2);
    out.element("tt:SourceToken", "AudioSource_1");
    out.close();
}

} // namespace

void writeProfile(XmlWriter& out, std::string_view name, const MediaProfile& profile,
                  MediaState& state)
{
    out.open(name).attribute("token", profile.token).attribute("fixed", "true");
    out.element("tt:Name", profile.name);
    writeVideoSourceConfig(out, "tt:VideoSourceConfiguration", state.videoSourceConfig());
    writeAudioSourceConfig(out);
    if (const VideoEncoderConfig* encoder = state.findVideoEncoder(profile.videoEncoderToken)) {
        writeVideoEncoder(out, "tt:VideoEncoderConfiguration", *encoder);
    }
    writeAudioEncoder(out, "tt:AudioEncoderConfiguration", state.audioEncoder());
    writeAnalyticsConfig(out, "tt:VideoAnalyticsConfiguration", state.analytics());
    out.close();
}

void writeVideoSource(XmlWriter& out, std::string_view name, const VideoSource& source)
{
    out.open(name).attribute("token", source.token);
    out.element("tt:Framerate", formatFloat(source.framerate));
    writeResolution(out, "tt:Resolution", source.resolution);
    out.close();
}

void writeVideoSourceConfig(XmlWriter& out, std::string_view name, const VideoSourceConfig& config)
{
    writeEntityHead(out, name, config.token, config.name, config.useCount);
    out.element("tt:SourceToken", config.sourceToken);
    out.open("tt:Bounds")
        .attribute("x", "0")
        .attribute("y", "0")
        .attribute("width", std::to_string(config.bounds.width))
        .attribute("height", std::to_string(config.bounds.height))
        .close();
    out.close();
}

void writeVideoEncoder(XmlWriter& out, std::string_view name, const VideoEncoderConfig& config)
{
    writeEntityHead(out, name, config.token, config.name, config.useCount);
    out.element("tt:Encoding", config.encoding);
    writeResolution(out, "tt:Resolution", config.resolution);
    out.element("tt:Quality", formatFloat(config.quality));
    out.open("tt:RateControl");
    writeInt(out, "tt:FrameRateLimit", config.frameRateLimit);
    writeInt(out, "tt:EncodingInterval", config.encodingInterval);
    writeInt(out, "tt:BitrateLimit", config.bitrateLimitKbps);
    out.close();
    out.open("tt:H264");
    writeInt(out, "tt:GovLength", config.govLength);
    out.element("tt:H264Profile", config.h264Profile);
    out.close();
    writeMulticast(out, config.multicast);
    out.element("tt:SessionTimeout", config.sessionTimeout);
    out.close();
}

void writeVideoEncoderOptions(XmlWriter& out, std::string_view name,
                              const VideoEncoderOptions& options)
{
    // The plain H264 options, then the same again in the extension with the
    // bit rate range, which only the extension can carry.
    const auto writeH264 = [&](std::string_view element, bool withBitrate) {
        out.open(element);
        for (const Resolution& resolution : options.resolutions) {
            writeResolution(out, "tt:ResolutionsAvailable", resolution);
        }
        writeIntRange(out, "tt:GovLengthRange", options.govLength);
        writeIntRange(out, "tt:FrameRateRange", options.frameRate);
        writeIntRange(out, "tt:EncodingIntervalRange", options.encodingInterval);
        for (const std::string& profile : options.h264Profiles) {
            out.element("tt:H264ProfilesSupported", profile);
        }
        if (withBitrate) {
            writeIntRange(out, "tt:BitrateRange", options.bitrateKbps);
        }
        out.close();
    };
    out.open(name);
    writeIntRange(out, "tt:QualityRange", options.quality);
    writeH264("tt:H264", false);
    out.open("tt:Extension");
    writeH264("tt:H264", true);
    out.close();
    out.close();
}

void writeAudioEncoder(XmlWriter& out, std::string_view name, const AudioEncoderConfig& config)
{
    writeEntityHead(out, name, config.token, config.name, config.useCount);
    out.element("tt:Encoding", config.encoding);
    writeInt(out, "tt:Bitrate", config.bitrateKbps);
    writeInt(out, "tt:SampleRate", config.sampleRateKhz);
    writeMulticast(out, config.multicast);
    out.element("tt:SessionTimeout", config.sessionTimeout);
    out.close();
}

void writeAnalyticsConfig(XmlWriter& out, std::string_view name, const AnalyticsConfig& config)
{
    writeEntityHead(out, name, config.token, config.name, config.useCount);
    out.open("tt:AnalyticsEngineConfiguration");
    writeMotionModule(out, "tt:AnalyticsModule", config.motion);
    out.close();
    out.open("tt:RuleEngineConfiguration");
    writeMotionRule(out, "tt:Rule", config.motion);
    out.close();
    out.close();
}

void writeMotionRule(XmlWriter& out, std::string_view name, const CellMotionState& motion)
{
    out.open(name).attribute("Name", motion.ruleName).attribute("Type", "tt:CellMotionDetector");
    out.open("tt:Parameters");
    writeSimpleItem(out, "MinCount", std::to_string(motion.minCount));
    writeSimpleItem(out, "AlarmOnDelay", std::to_string(motion.alarmOnDelayMs));
    writeSimpleItem(out, "AlarmOffDelay", std::to_string(motion.alarmOffDelayMs));
    writeSimpleItem(out, "ActiveCells", encodeActiveCells(motion.activeCells));
    out.close();
    out.close();
}

void writeMotionModule(XmlWriter& out, std::string_view name, const CellMotionState& motion)
{
    out.open(name).attribute("Name", motion.moduleName).attribute("Type", "tt:CellMotionEngine");
    out.open("tt:Parameters");
    writeSimpleItem(out, "Sensitivity", std::to_string(motion.sensitivity));
    out.open("tt:ElementItem").attribute("Name", "Layout");
    out.open("tt:CellLayout")
        .attribute("Columns", std::to_string(motion.columns))
        .attribute("Rows", std::to_string(motion.rows));
    // The grid covers the whole picture: its upper left corner is (-1, 1) in
    // the frame's coordinates, and a cell is 2/columns wide and 2/rows high
    // with y pointing down.
    out.open("tt:Transformation");
    out.open("tt:Translate").attribute("x", "-1").attribute("y", "1").close();
    out.open("tt:Scale")
        .attribute("x", formatFloat(2.0F / static_cast<float>(motion.columns)))
        .attribute("y", formatFloat(-2.0F / static_cast<float>(motion.rows)))
        .close();
    out.close();
    out.close();
    out.close();
    out.close();
    out.close();
}

void writeOsd(XmlWriter& out, std::string_view name, const OsdConfig& osd)
{
    out.open(name).attribute("token", osd.token);
    out.element("tt:VideoSourceConfigurationToken", osd.videoSourceConfigurationToken);
    out.element("tt:Type", "Text");
    out.open("tt:Position").element("tt:Type", osd.positionType);
    if (osd.positionType == "Custom") {
        out.open("tt:Pos").attribute("x", formatFloat(osd.x)).attribute("y", formatFloat(osd.y));
        out.close();
    }
    out.close();
    out.open("tt:TextString").element("tt:Type", osd.textType);
    if (!osd.dateFormat.empty()) {
        out.element("tt:DateFormat", osd.dateFormat);
    }
    if (!osd.timeFormat.empty()) {
        out.element("tt:TimeFormat", osd.timeFormat);
    }
    if (osd.fontSize > 0) {
        writeInt(out, "tt:FontSize", osd.fontSize);
    }
    if (osd.textType == "Plain") {
        out.element("tt:PlainText", osd.plainText);
    }
    out.close();
    out.close();
}

} // namespace vexlo::ipcsim::onvif
