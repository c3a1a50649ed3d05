#include "onvif/analytics_messages.h"
#include "onvif/device_messages.h"
#include "onvif/encoder_messages.h"
#include "onvif/imaging_messages.h"
#include "onvif/media_messages.h"
#include "onvif/osd_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// The client's parsers fed foreign bytes, in the manner of random_input_test:
// no crash, no read outside the input (the sanitizers watch that), and what
// was accepted keeps the parsers' promises (dotted quads, bounded durations,
// a camera's own values make requests it can read).
using namespace vexlo::onvif;

namespace {

using namespace std::chrono;

// Our writer drops C0 controls, so a value holding one cannot come back as is.
bool writable(std::string_view value)
{
    return std::none_of(value.begin(), value.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
}

bool sound(const PrefixedAddress& address)
{
    return isIPv4Address(address.address) && address.prefixLength >= 0 &&
           address.prefixLength <= 32;
}

std::string checkInterfaces(std::string_view bytes)
{
    const auto reply = parseGetNetworkInterfaces(bytes);
    if (!reply.ok())
        return {};
    for (const NetworkInterface& item : *reply.value()) {
        const bool allSound = std::all_of(item.manual.begin(), item.manual.end(), sound) &&
                              (!item.fromDhcp || sound(*item.fromDhcp)) &&
                              (!item.linkLocal || sound(*item.linkLocal));
        if (!allSound)
            return "interfaces: an address that is not a dotted quad with a prefix was passed on";
        const std::optional<PrefixedAddress> current = currentIPv4(item);
        if (!current || current->prefixLength == 0 || trimSpace(item.token).empty())
            continue;
        // Writing the camera's own values back must give a request it can read.
        const std::optional<std::string> set =
            buildSetNetworkInterfaces(item.token, current->address, current->prefixLength);
        const auto message = set ? parseEnvelope(buildEnvelope(*set)) : std::nullopt;
        if (!message)
            return "interfaces: the camera's own address does not make a readable request";
        if (text(find(message->payload(), {"NetworkInterface", "IPv4", "Manual", "Address"})) !=
            current->address)
            return "interfaces: the address read back differently";
    }
    return {};
}

std::string checkDateAndTime(std::string_view bytes)
{
    const auto reply = parseGetSystemDateAndTime(bytes);
    if (!reply.ok())
        return {};
    const SystemDateAndTime& got = *reply.value();
    if (got.fromLocalTime && !got.utc)
        return "date: read from local time but no time";
    const std::string set =
        buildSetSystemDateAndTime(got.utc.value_or(system_clock::time_point{}),
                                  ZoneSetting{got.timeZone, got.daylightSavings});
    const auto message = parseEnvelope(buildEnvelope(set));
    if (!message)
        return "date: the camera's zone does not make a readable request";
    if (writable(got.timeZone) &&
        text(find(message->payload(), {"TimeZone", "TZ"})) != trimSpace(got.timeZone))
        return "date: the zone read back differently";
    return {};
}

// A camera's own encoder configuration, written back, is a request it can read.
std::string checkEncoders(std::string_view bytes)
{
    if (const auto video = parseGetVideoEncoderConfiguration(bytes); video.ok()) {
        const VideoEncoderConfig& config = *video.value();
        if (config.token.empty())
            return "video encoder: accepted without a token";
        if (config.width > 0 && config.height > 0 && writable(config.token) &&
            writable(config.name) && writable(config.encoding) && writable(config.quality) &&
            writable(config.h264Profile)) {
            const auto set = buildSetVideoEncoderConfiguration(config);
            if (!set || !parseEnvelope(buildEnvelope(*set)))
                return "video encoder: the camera's own configuration makes no readable request";
        }
    }
    if (const auto offer = parseGetVideoEncoderConfigurationOptions(bytes); offer.ok()) {
        for (const Resolution& size : offer.value()->resolutions) {
            if (size.width <= 0 || size.height <= 0)
                return "video options: a resolution that is no size was passed on";
        }
        for (const auto& range : {offer.value()->frameRate, offer.value()->bitrate}) {
            if (range && range->min > range->max)
                return "video options: a range that ends before it starts";
        }
    }
    if (const auto audio = parseGetAudioEncoderConfigurations(bytes); audio.ok()) {
        for (const AudioEncoderConfig& config : *audio.value()) {
            if (config.token.empty())
                return "audio encoder: accepted without a token";
        }
    }
    (void)parseGetAudioEncoderConfigurationOptions(bytes);
    if (const auto imaging = parseGetImagingOptions(bytes); imaging.ok()) {
        const ImagingOffer& offer = *imaging.value();
        for (const auto& range : {offer.brightness, offer.colorSaturation, offer.contrast,
                                  offer.sharpness, offer.backlightLevel}) {
            if (range && range->min > range->max)
                return "imaging options: a range that ends before it starts";
        }
    }
    if (const auto osds = parseGetOSDs(bytes); osds.ok()) {
        for (const OsdText& osd : *osds.value()) {
            if (osd.token.empty() || (writable(osd.token) && !buildDeleteOSD(osd.token)))
                return "OSDs: one we cannot delete was passed on";
        }
    }
    (void)parseGetOSDOptions(bytes);
    (void)parseGetVideoSourceConfigurations(bytes);
    if (const auto sources = parseGetVideoSources(bytes); sources.ok()) {
        for (const std::string& token : *sources.value()) {
            if (token.empty() || (writable(token) && !buildGetImagingOptions(token)))
                return "video sources: a token we cannot ask for was passed on";
        }
    }
    return {};
}

std::string checkOthers(std::string_view bytes)
{
    if (const auto gateways = parseGetNetworkDefaultGateway(bytes); gateways.ok()) {
        for (const std::string& gateway : *gateways.value()) {
            if (!buildSetNetworkDefaultGateway(gateway))
                return "gateway: passed on a value we would not send";
        }
    }
    if (const auto upload = parseStartFirmwareUpgrade(bytes); upload.ok()) {
        const FirmwareUpload& got = *upload.value();
        if (got.uploadUri.empty() || got.uploadDelay < 0ms || got.uploadDelay > days(366) ||
            got.expectedDownTime < 0ms || got.expectedDownTime > days(366))
            return "firmware: accepted without a URI or with an unbounded duration";
    }
    (void)parseGetDeviceInformation(bytes);
    (void)parseSetNetworkInterfaces(bytes);
    (void)parseSystemReboot(bytes);
    (void)parseGetCapabilities(bytes);
    (void)parseGetServices(bytes);
    if (const auto profiles = parseGetProfiles(bytes); profiles.ok()) {
        for (const MediaProfile& profile : *profiles.value()) {
            if (profile.token.empty() || !buildGetStreamUri(profile.token))
                return "profiles: a profile we cannot ask a stream for was passed on";
        }
    }
    if (const auto uri = parseGetStreamUri(bytes); uri.ok() && uri.value()->uri.empty())
        return "stream: accepted without a Uri";
    for (const auto& configs : {parseGetAnalyticsModules(bytes), parseGetRules(bytes)}) {
        if (!configs.ok())
            continue;
        for (const AnalyticsConfig& config : *configs.value()) {
            if (config.columns < 0 || config.rows < 0 || config.columns > 1024 ||
                config.rows > 1024)
                return "analytics: a cell grid out of bounds was passed on";
            const auto modify = buildModifyRules("token", config);
            if (modify && !parseEnvelope(buildEnvelope(*modify)))
                return "analytics: a camera's own rule made a request it cannot read";
        }
    }
    return checkEncoders(bytes);
}

// The value readers on the bytes themselves.
std::string checkValues(std::string_view bytes)
{
    if (const auto duration = parseDuration(bytes);
        duration && (*duration < 0ms || *duration > days(366)))
        return "duration out of bounds";
    if (const auto prefix = netmaskToPrefix(bytes);
        prefix && prefixToNetmask(*prefix) != trimSpace(bytes))
        return "netmask read back differently";
    const auto offset = utcOffset(bytes, true, system_clock::time_point{});
    if (offset && (*offset < hours(-26) || *offset > hours(26)))
        return "zone offset out of bounds";
    return {};
}

std::string checkDeviceMessageInput(std::string_view bytes)
{
    for (const auto check : {checkInterfaces, checkDateAndTime, checkOthers, checkValues}) {
        std::string problem = check(bytes);
        if (!problem.empty())
            return problem;
    }
    return {};
}

// The kept replies, and value strings for the readers that take bare text.
std::vector<std::string> samples()
{
    std::vector<std::string> out{"PT1M30.5S", "255.255.252.0", "EST5EDT,M3.2.0/2,M11.1.0",
                                 "<+0530>-5:30", "AEST-10AEDT,M10.1.0,M4.1.0/3"};
    for (const auto& entry : std::filesystem::directory_iterator(VEXLO_ONVIF_REPLIES_DIR)) {
        std::ifstream file(entry.path());
        std::stringstream content;
        content << file.rdbuf();
        out.push_back(content.str());
    }
    return out;
}

// Every fourth input random text; the others a sample with flipped bits,
// markup and digits dropped in, and cuts.
std::string mutate(std::mt19937& random, const std::vector<std::string>& valid, int round)
{
    static constexpr std::string_view kMarkup = "<>/\"'=&;:,.-+PTSM0123456789\n";
    const auto below = [&random](std::size_t bound) { return bound ? random() % bound : 0; };
    std::string text = round % 4 ? valid[below(valid.size())] : std::string(below(300), ' ');
    if (round % 4 == 0) {
        for (char& c : text)
            c = below(2) ? kMarkup[below(kMarkup.size())] : static_cast<char>(random());
        return text;
    }
    for (std::size_t edit = 0, edits = 1 + below(4); edit < edits && !text.empty(); ++edit) {
        const std::size_t at = below(text.size());
        if (const std::size_t kind = below(3); kind == 0)
            text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
        else if (kind == 1)
            text.insert(at, 1, kMarkup[below(kMarkup.size())]);
        else
            text.erase(at, 1 + below(below(2) ? 8 : text.size()));
    }
    return text;
}

TEST(RandomInput, DeviceAndMediaRepliesAndValuesSurvive)
{
    const std::vector<std::string> valid = samples();
    ASSERT_GT(valid.size(), 10u);
    for (const std::string& sample : valid)
        ASSERT_EQ(checkDeviceMessageInput(sample), "") << sample;
    std::mt19937 random(20240229);
    for (int round = 0; round < 20000; ++round) {
        const std::string input = mutate(random, valid, round);
        const std::string problem = checkDeviceMessageInput(input);
        ASSERT_TRUE(problem.empty()) << problem << " (round " << round << ")\n" << input;
    }
}

} // namespace
