#include "ipcsim/onvif/encoder_settings.h"

#include "ipcsim/onvif/service_support.h"
#include "onvif/xml_reader.h"

#include <algorithm>

namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::child;
using vexlo::onvif::text;

constexpr std::size_t kMaxDurationLength = 32;

// Copies the children a client sent into the candidate and keeps the first
// value that could not be read at all.
class FieldReader
{
public:
    void readInt(pugi::xml_node parent, std::string_view name, int& target)
    {
        const pugi::xml_node node = child(parent, name);
        if (!node) {
            return;
        }
        if (const auto value = parseInt(text(node))) {
            target = *value;
        } else {
            fail(name, text(node));
        }
    }

    void readFloat(pugi::xml_node parent, std::string_view name, float& target)
    {
        const pugi::xml_node node = child(parent, name);
        if (!node) {
            return;
        }
        if (const auto value = parseFloat(text(node))) {
            target = *value;
        } else {
            fail(name, text(node));
        }
    }

    void readBool(pugi::xml_node parent, std::string_view name, bool& target)
    {
        const pugi::xml_node node = child(parent, name);
        if (!node) {
            return;
        }
        if (const auto value = parseBool(text(node))) {
            target = *value;
        } else {
            fail(name, text(node));
        }
    }

    void readText(pugi::xml_node parent, std::string_view name, std::string& target)
    {
        const pugi::xml_node node = child(parent, name);
        if (!node) {
            return;
        }
        std::string value = text(node);
        if (value.empty() || value.size() > kMaxTokenLength) {
            fail(name, value);
            return;
        }
        target = std::move(value);
    }

    void readMulticast(pugi::xml_node parent, MulticastSettings& target)
    {
        const pugi::xml_node multicast = child(parent, "Multicast");
        if (!multicast) {
            return;
        }
        if (const pugi::xml_node address = child(multicast, "Address")) {
            const pugi::xml_node type = child(address, "Type");
            if (type && text(type) != "IPv4") {
                fail("Multicast Address Type", text(type));
            }
            readText(address, "IPv4Address", target.address);
        }
        readInt(multicast, "Port", target.port);
        readInt(multicast, "TTL", target.ttl);
        readBool(multicast, "AutoStart", target.autoStart);
    }

    void fail(std::string_view what, std::string_view value)
    {
        if (!m_error) {
            m_error = std::string(what) + " \"" + std::string(value.substr(0, kMaxTokenLength)) +
                      "\" is not a valid value";
        }
    }

    void check(bool ok, std::string message)
    {
        if (!ok && !m_error) {
            m_error = std::move(message);
        }
    }

    std::optional<std::string> error() const { return m_error; }

private:
    std::optional<std::string> m_error;
};

std::string describe(IntRange range)
{
    return std::to_string(range.min) + ".." + std::to_string(range.max);
}

void checkMulticast(FieldReader& reader, const MulticastSettings& multicast)
{
    reader.check(isIpv4Address(multicast.address),
                 "multicast address " + multicast.address + " is not an IPv4 address");
    reader.check(multicast.port >= 0 && multicast.port <= 65535,
                 "multicast port " + std::to_string(multicast.port) + " is out of range");
    reader.check(multicast.ttl >= 0 && multicast.ttl <= 255,
                 "multicast TTL " + std::to_string(multicast.ttl) + " is out of range");
}

} // namespace

std::optional<std::string> readVideoEncoder(pugi::xml_node configuration,
                                            const VideoEncoderOptions& options,
                                            VideoEncoderConfig& candidate)
{
    FieldReader reader;
    reader.readText(configuration, "Name", candidate.name);
    reader.readText(configuration, "Encoding", candidate.encoding);
    if (const pugi::xml_node resolution = child(configuration, "Resolution")) {
        reader.readInt(resolution, "Width", candidate.resolution.width);
        reader.readInt(resolution, "Height", candidate.resolution.height);
    }
    reader.readFloat(configuration, "Quality", candidate.quality);
    if (const pugi::xml_node rate = child(configuration, "RateControl")) {
        reader.readInt(rate, "FrameRateLimit", candidate.frameRateLimit);
        reader.readInt(rate, "EncodingInterval", candidate.encodingInterval);
        reader.readInt(rate, "BitrateLimit", candidate.bitrateLimitKbps);
    }
    if (const pugi::xml_node h264 = child(configuration, "H264")) {
        reader.readInt(h264, "GovLength", candidate.govLength);
        reader.readText(h264, "H264Profile", candidate.h264Profile);
    }
    reader.readMulticast(configuration, candidate.multicast);
    reader.readText(configuration, "SessionTimeout", candidate.sessionTimeout);

    reader.check(candidate.encoding == "H264",
                 "encoding " + candidate.encoding + " is not offered (only H264)");
    const Resolution size = candidate.resolution;
    reader.check(std::ranges::find(options.resolutions, size) != options.resolutions.end(),
                 "resolution " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                     " is not offered");
    reader.check(candidate.quality >= static_cast<float>(options.quality.min) &&
                     candidate.quality <= static_cast<float>(options.quality.max),
                 "quality " + formatFloat(candidate.quality) + " is outside " +
                     describe(options.quality));
    reader.check(options.frameRate.contains(candidate.frameRateLimit),
                 "frame rate " + std::to_string(candidate.frameRateLimit) + " is outside " +
                     describe(options.frameRate));
    reader.check(options.encodingInterval.contains(candidate.encodingInterval),
                 "encoding interval " + std::to_string(candidate.encodingInterval) +
                     " is outside " + describe(options.encodingInterval));
    reader.check(options.bitrateKbps.contains(candidate.bitrateLimitKbps),
                 "bit rate " + std::to_string(candidate.bitrateLimitKbps) + " kbps is outside " +
                     describe(options.bitrateKbps));
    reader.check(options.govLength.contains(candidate.govLength),
                 "GOV length " + std::to_string(candidate.govLength) + " is outside " +
                     describe(options.govLength));
    reader.check(contains(options.h264Profiles, candidate.h264Profile),
                 "H.264 profile " + candidate.h264Profile + " is not offered");
    checkMulticast(reader, candidate.multicast);
    reader.check(isDuration(candidate.sessionTimeout),
                 "session timeout " + candidate.sessionTimeout + " is not a duration");
    return reader.error();
}

std::optional<std::string> readAudioEncoder(pugi::xml_node configuration,
                                            const std::vector<AudioEncoderOption>& options,
                                            AudioEncoderConfig& candidate)
{
    FieldReader reader;
    reader.readText(configuration, "Name", candidate.name);
    reader.readText(configuration, "Encoding", candidate.encoding);
    reader.readInt(configuration, "Bitrate", candidate.bitrateKbps);
    reader.readInt(configuration, "SampleRate", candidate.sampleRateKhz);
    reader.readMulticast(configuration, candidate.multicast);
    reader.readText(configuration, "SessionTimeout", candidate.sessionTimeout);

    const auto option =
        std::ranges::find(options, candidate.encoding, &AudioEncoderOption::encoding);
    reader.check(option != options.end(), "encoding " + candidate.encoding + " is not offered");
    if (option != options.end()) {
        reader.check(std::ranges::find(option->bitratesKbps, candidate.bitrateKbps) !=
                         option->bitratesKbps.end(),
                     "bit rate " + std::to_string(candidate.bitrateKbps) +
                         " kbps is not offered for " + candidate.encoding);
        reader.check(std::ranges::find(option->sampleRatesKhz, candidate.sampleRateKhz) !=
                         option->sampleRatesKhz.end(),
                     "sample rate " + std::to_string(candidate.sampleRateKhz) +
                         " kHz is not offered for " + candidate.encoding);
    }
    checkMulticast(reader, candidate.multicast);
    reader.check(isDuration(candidate.sessionTimeout),
                 "session timeout " + candidate.sessionTimeout + " is not a duration");
    return reader.error();
}

bool isIpv4Address(std::string_view text)
{
    int parts = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && digits < 3) {
            value = value * 10 + (text[digits] - '0');
            ++digits;
        }
        if (digits == 0 || value > 255) {
            return false;
        }
        text.remove_prefix(digits);
        ++parts;
        if (parts == 4) {
            return text.empty();
        }
        if (text.empty() || text.front() != '.') {
            return false;
        }
        text.remove_prefix(1);
    }
}

bool isDuration(std::string_view text)
{
    if (text.size() < 3 || text.size() > kMaxDurationLength || text.front() != 'P') {
        return false;
    }
    bool digit = false;
    for (const char c : text.substr(1)) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (std::string_view("YMWDTHS.").find(c) == std::string_view::npos) {
            return false;
        }
    }
    return digit && text.back() != 'T' && text.back() != '.' &&
           (text.back() < '0' || text.back() > '9');
}

} // namespace vexlo::ipcsim::onvif
