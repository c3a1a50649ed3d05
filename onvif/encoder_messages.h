#pragma once

#include "onvif/device_messages.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The media service's encoder configurations, read whole so that a Set sends
// back every field the camera gave with only the pushed values changed.
namespace vexlo::onvif {

struct Multicast
{
    std::string address = "0.0.0.0";
    int port = 0;
    int ttl = 0;
    bool autoStart = false;
};

struct VideoEncoderConfig
{
    std::string token;
    std::string name;
    int useCount = 0;
    std::string encoding = "H264";
    int width = 0;
    int height = 0;
    std::string quality = "0"; // a float, kept as the camera wrote it
    int frameRateLimit = 0;
    int encodingInterval = 1;
    int bitrateLimit = 0; // kbit/s
    int govLength = 0;
    std::string h264Profile = "Main";
    Multicast multicast;
    std::string sessionTimeout = "PT60S";
};

struct Resolution
{
    int width = 0;
    int height = 0;
    bool operator==(const Resolution&) const = default;
};

struct IntRange
{
    int min = 0;
    int max = 0;
};

// What the camera offers for H.264 on one configuration.
struct VideoEncoderOffer
{
    std::vector<Resolution> resolutions;
    std::optional<IntRange> frameRate;
    std::optional<IntRange> bitrate; // kbit/s, from the H264 extension
};

struct AudioEncoderConfig
{
    std::string token;
    std::string name;
    int useCount = 0;
    std::string encoding = "G711";
    int bitrate = 0;    // kbit/s
    int sampleRate = 0; // kHz
    Multicast multicast;
    std::string sessionTimeout = "PT60S";
};

struct AudioEncoderOffer
{
    std::string encoding;
    std::vector<int> bitrates;    // kbit/s
    std::vector<int> sampleRates; // kHz
};

std::optional<std::string> buildGetVideoEncoderConfiguration(std::string_view token);
Reply<VideoEncoderConfig> parseGetVideoEncoderConfiguration(std::string_view bytes);
std::optional<std::string> buildGetVideoEncoderConfigurationOptions(std::string_view token);
Reply<VideoEncoderOffer> parseGetVideoEncoderConfigurationOptions(std::string_view bytes);
std::optional<std::string> buildSetVideoEncoderConfiguration(const VideoEncoderConfig& config);

std::string buildGetAudioEncoderConfigurations();
Reply<std::vector<AudioEncoderConfig>> parseGetAudioEncoderConfigurations(std::string_view bytes);
std::optional<std::string> buildGetAudioEncoderConfigurationOptions(std::string_view token);
Reply<std::vector<AudioEncoderOffer>>
parseGetAudioEncoderConfigurationOptions(std::string_view bytes);
std::optional<std::string> buildSetAudioEncoderConfiguration(const AudioEncoderConfig& config);

} // namespace vexlo::onvif
