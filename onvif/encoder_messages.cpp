#include "onvif/encoder_messages.h"

#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

namespace vexlo::onvif {

namespace {

// Believable bounds for what a camera writes; anything else is left at 0.
int boundedInteger(pugi::xml_node node, int low, int high)
{
    const std::optional<int> value = parseInteger(text(node));
    return value && *value >= low && *value <= high ? *value : 0;
}

XmlWriter openMediaRequest(std::string_view operation)
{
    return openServiceRequest("trt", kOnvifMediaNamespace, operation);
}

std::optional<std::string> tokenRequest(std::string_view operation, std::string_view token)
{
    if (token.empty())
        return std::nullopt;
    XmlWriter writer = openMediaRequest(operation);
    writer.element("trt:ConfigurationToken", token);
    return writer.finish();
}

Multicast readMulticast(pugi::xml_node node)
{
    Multicast multicast;
    if (const std::string address = text(find(node, {"Address", "IPv4Address"}));
        isIPv4Address(address))
        multicast.address = address;
    multicast.port = boundedInteger(child(node, "Port"), 0, 65535);
    multicast.ttl = boundedInteger(child(node, "TTL"), 0, 255);
    multicast.autoStart = parseBoolean(text(child(node, "AutoStart"))).value_or(false);
    return multicast;
}

void writeMulticast(XmlWriter& writer, const Multicast& multicast)
{
    writer.open("tt:Multicast")
        .open("tt:Address")
        .element("tt:Type", "IPv4")
        .element("tt:IPv4Address", multicast.address)
        .close()
        .element("tt:Port", std::to_string(multicast.port))
        .element("tt:TTL", std::to_string(multicast.ttl))
        .element("tt:AutoStart", multicast.autoStart ? "true" : "false")
        .close();
}

std::optional<IntRange> readRange(pugi::xml_node node, int high)
{
    if (!node)
        return std::nullopt;
    const int low = boundedInteger(child(node, "Min"), 0, high);
    const int top = boundedInteger(child(node, "Max"), 0, high);
    if (top == 0 || low > top)
        return std::nullopt;
    return IntRange{low, top};
}

std::vector<int> readIntegerList(pugi::xml_node node, int high)
{
    std::vector<int> values;
    for (const pugi::xml_node item : children(node, "Items")) {
        for (const std::string& word : splitList(text(item))) {
            if (const auto value = parseInteger(word); value && *value > 0 && *value <= high)
                values.push_back(*value);
        }
    }
    return values;
}

AudioEncoderConfig readAudioConfig(pugi::xml_node node)
{
    AudioEncoderConfig config;
    config.token = attribute(node, "token");
    config.name = text(child(node, "Name"));
    config.useCount = boundedInteger(child(node, "UseCount"), 0, 1000);
    config.encoding = text(child(node, "Encoding"));
    config.bitrate = boundedInteger(child(node, "Bitrate"), 0, 100000);
    config.sampleRate = boundedInteger(child(node, "SampleRate"), 0, 1000);
    config.multicast = readMulticast(child(node, "Multicast"));
    if (const std::string timeout = text(child(node, "SessionTimeout")); parseDuration(timeout))
        config.sessionTimeout = timeout;
    return config;
}

} // namespace

std::optional<std::string> buildGetVideoEncoderConfiguration(std::string_view token)
{
    return tokenRequest("GetVideoEncoderConfiguration", token);
}

Reply<VideoEncoderConfig> parseGetVideoEncoderConfiguration(std::string_view bytes)
{
    return readResponse<VideoEncoderConfig>(
        bytes, "GetVideoEncoderConfigurationResponse",
        [](pugi::xml_node payload) -> std::optional<VideoEncoderConfig> {
            const pugi::xml_node node = child(payload, "Configuration");
            VideoEncoderConfig config;
            config.token = attribute(node, "token");
            if (config.token.empty())
                return std::nullopt;
            config.name = text(child(node, "Name"));
            config.useCount = boundedInteger(child(node, "UseCount"), 0, 1000);
            config.encoding = text(child(node, "Encoding"));
            config.width = boundedInteger(find(node, {"Resolution", "Width"}), 0, 16384);
            config.height = boundedInteger(find(node, {"Resolution", "Height"}), 0, 16384);
            if (const std::string quality = text(child(node, "Quality")); !quality.empty())
                config.quality = quality;
            const pugi::xml_node rate = child(node, "RateControl");
            config.frameRateLimit = boundedInteger(child(rate, "FrameRateLimit"), 0, 1000);
            config.encodingInterval = boundedInteger(child(rate, "EncodingInterval"), 0, 1000);
            config.bitrateLimit = boundedInteger(child(rate, "BitrateLimit"), 0, 1000000);
            config.govLength = boundedInteger(find(node, {"H264", "GovLength"}), 0, 10000);
            if (const std::string profile = text(find(node, {"H264", "H264Profile"}));
                !profile.empty())
                config.h264Profile = profile;
            config.multicast = readMulticast(child(node, "Multicast"));
            if (const std::string timeout = text(child(node, "SessionTimeout"));
                parseDuration(timeout))
                config.sessionTimeout = timeout;
            return config;
        });
}

std::optional<std::string> buildGetVideoEncoderConfigurationOptions(std::string_view token)
{
    return tokenRequest("GetVideoEncoderConfigurationOptions", token);
}

Reply<VideoEncoderOffer> parseGetVideoEncoderConfigurationOptions(std::string_view bytes)
{
    return readResponse<VideoEncoderOffer>(
        bytes, "GetVideoEncoderConfigurationOptionsResponse",
        [](pugi::xml_node payload) -> std::optional<VideoEncoderOffer> {
            const pugi::xml_node options = child(payload, "Options");
            const pugi::xml_node h264 = child(options, "H264");
            VideoEncoderOffer offer;
            for (const pugi::xml_node size : children(h264, "ResolutionsAvailable")) {
                const int width = boundedInteger(child(size, "Width"), 1, 16384);
                const int height = boundedInteger(child(size, "Height"), 1, 16384);
                if (width > 0 && height > 0)
                    offer.resolutions.push_back({width, height});
            }
            offer.frameRate = readRange(child(h264, "FrameRateRange"), 1000);
            offer.bitrate =
                readRange(find(options, {"Extension", "H264", "BitrateRange"}), 1000000);
            return offer;
        });
}

std::optional<std::string> buildSetVideoEncoderConfiguration(const VideoEncoderConfig& config)
{
    if (config.token.empty() || config.width <= 0 || config.height <= 0)
        return std::nullopt;
    XmlWriter writer = openMediaRequest("SetVideoEncoderConfiguration");
    writer.open("trt:Configuration")
        .attribute("token", config.token)
        .element("tt:Name", config.name)
        .element("tt:UseCount", std::to_string(config.useCount))
        .element("tt:Encoding", config.encoding)
        .open("tt:Resolution")
        .element("tt:Width", std::to_string(config.width))
        .element("tt:Height", std::to_string(config.height))
        .close()
        .element("tt:Quality", config.quality)
        .open("tt:RateControl")
        .element("tt:FrameRateLimit", std::to_string(config.frameRateLimit))
        .element("tt:EncodingInterval", std::to_string(config.encodingInterval))
        .element("tt:BitrateLimit", std::to_string(config.bitrateLimit))
        .close()
        .open("tt:H264")
        .element("tt:GovLength", std::to_string(config.govLength))
        .element("tt:H264Profile", config.h264Profile)
        .close();
    writeMulticast(writer, config.multicast);
    writer.element("tt:SessionTimeout", config.sessionTimeout).close();
    writer.element("trt:ForcePersistence", "true");
    return writer.finish();
}

std::string buildGetAudioEncoderConfigurations()
{
    return openMediaRequest("GetAudioEncoderConfigurations").finish();
}

Reply<std::vector<AudioEncoderConfig>> parseGetAudioEncoderConfigurations(std::string_view bytes)
{
    return readResponse<std::vector<AudioEncoderConfig>>(
        bytes, "GetAudioEncoderConfigurationsResponse", [](pugi::xml_node payload) {
            std::vector<AudioEncoderConfig> configs;
            for (const pugi::xml_node node : children(payload, "Configurations")) {
                AudioEncoderConfig config = readAudioConfig(node);
                if (!config.token.empty())
                    configs.push_back(std::move(config));
            }
            return std::optional(std::move(configs));
        });
}

std::optional<std::string> buildGetAudioEncoderConfigurationOptions(std::string_view token)
{
    return tokenRequest("GetAudioEncoderConfigurationOptions", token);
}

Reply<std::vector<AudioEncoderOffer>>
parseGetAudioEncoderConfigurationOptions(std::string_view bytes)
{
    return readResponse<std::vector<AudioEncoderOffer>>(
        bytes, "GetAudioEncoderConfigurationOptionsResponse", [](pugi::xml_node payload) {
            std::vector<AudioEncoderOffer> offers;
            for (const pugi::xml_node node : children(child(payload, "Options"), "Options")) {
                AudioEncoderOffer offer;
                offer.encoding = text(child(node, "Encoding"));
                offer.bitrates = readIntegerList(child(node, "BitrateList"), 100000);
                offer.sampleRates = readIntegerList(child(node, "SampleRateList"), 1000);
                if (!offer.encoding.empty())
                    offers.push_back(std::move(offer));
            }
            return std::optional(std::move(offers));
        });
}

std::optional<std::string> buildSetAudioEncoderConfiguration(const AudioEncoderConfig& config)
{
    if (config.token.empty() || config.encoding.empty())
        return std::nullopt;
    XmlWriter writer = openMediaRequest("SetAudioEncoderConfiguration");
    writer.open("trt:Configuration")
        .attribute("token", config.token)
        .element("tt:Name", config.name)
        .element("tt:UseCount", std::to_string(config.useCount))
        .element("tt:Encoding", config.encoding)
        .element("tt:Bitrate", std::to_string(config.bitrate))
        .element("tt:SampleRate", std::to_string(config.sampleRate));
    writeMulticast(writer, config.multicast);
    writer.element("tt:SessionTimeout", config.sessionTimeout).close();
    writer.element("trt:ForcePersistence", "true");
    return writer.finish();
}

} // namespace vexlo::onvif
