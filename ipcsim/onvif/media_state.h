#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What one simulated camera's media, imaging and analytics services hold: the
// values a client sets and reads back, and the choices the camera offers. It
// starts as a camera whose streams are the 320x180 H.264 test card at 10 fps.
// One camera strand uses it at a time, so nothing here locks.
namespace vexlo::ipcsim::onvif {

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
    bool contains(int value) const { return value >= min && value <= max; }
};

struct FloatRange
{
    float min = 0;
    float max = 0;
    bool contains(float value) const { return value >= min && value <= max; }
};

struct MulticastSettings
{
    std::string address = "0.0.0.0";
    int port = 0;
    int ttl = 1;
    bool autoStart = false;
};

// What an encoder accepts; a value outside these is refused, never stored.
struct VideoEncoderOptions
{
    IntRange quality;
    std::vector<Resolution> resolutions;
    IntRange govLength;
    IntRange frameRate;
    IntRange encodingInterval;
    IntRange bitrateKbps;
    std::vector<std::string> h264Profiles;
};

struct VideoEncoderConfig
{
    std::string token;
    std::string name;
    int useCount = 1;
    std::string encoding = "H264";
    Resolution resolution;
    float quality = 0;
    int frameRateLimit = 0;
    int encodingInterval = 1;
    int bitrateLimitKbps = 0;
    int govLength = 0;
    std::string h264Profile;
    MulticastSettings multicast;
    std::string sessionTimeout = "PT60S";
    // Which entry of MediaState::videoEncoderOptions() limits this encoder.
    std::size_t optionsIndex = 0;
};

struct AudioEncoderOption
{
    std::string encoding;
    std::vector<int> bitratesKbps;
    std::vector<int> sampleRatesKhz;
};

struct AudioEncoderConfig
{
    std::string token;
    std::string name;
    int useCount = 1;
    std::string encoding = "G711";
    int bitrateKbps = 64;
    int sampleRateKhz = 8;
    MulticastSettings multicast;
    std::string sessionTimeout = "PT60S";
};

struct VideoSource
{
    std::string token;
    float framerate = 0;
    Resolution resolution;
};

struct VideoSourceConfig
{
    std::string token;
    std::string name;
    int useCount = 0;
    std::string sourceToken;
    Resolution bounds;
};

struct MediaProfile
{
    std::string token;
    std::string name;
    // The path of this profile's RTSP stream on the camera ("main", "sub").
    std::string streamPath;
    std::string videoEncoderToken;
};

struct ImagingSettings
{
    std::string backlightMode = "OFF";
    float backlightLevel = 0;
    float brightness = 50;
    float colorSaturation = 50;
    float contrast = 50;
    float sharpness = 50;
    std::string irCutFilter = "AUTO";
    std::string whiteBalanceMode = "AUTO";
    float crGain = 50;
    float cbGain = 50;
};

struct ImagingOptions
{
    std::vector<std::string> backlightModes;
    FloatRange backlightLevel;
    FloatRange brightness;
    FloatRange colorSaturation;
    FloatRange contrast;
    FloatRange sharpness;
    std::vector<std::string> irCutFilterModes;
    std::vector<std::string> whiteBalanceModes;
    FloatRange crGain;
    FloatRange cbGain;
};

struct OsdConfig
{
    std::string token;
    std::string videoSourceConfigurationToken;
    std::string positionType = "UpperLeft"; // UpperLeft ... LowerRight, Custom
    float x = 0;                            // only for Custom, -1..1
    float y = 0;
    std::string textType = "Plain"; // Plain, Date, Time, DateAndTime
    std::string dateFormat;
    std::string timeFormat;
    int fontSize = 0; // 0: not given
    std::string plainText;
};

struct OsdOptions
{
    int maxTotal = 0;
    int maxPlainText = 0;
    int maxDate = 0;
    int maxTime = 0;
    int maxDateAndTime = 0;
    std::vector<std::string> positions;
    std::vector<std::string> textTypes;
    IntRange fontSize;
    std::vector<std::string> dateFormats;
    std::vector<std::string> timeFormats;
    std::size_t maxTextLength = 0;
};

// The cell grid a motion detector works on and which cells of it count.
struct CellMotionState
{
    std::string moduleName;
    int sensitivity = 50;
    int columns = 0;
    int rows = 0;
    std::string ruleName;
    int minCount = 0;
    int alarmOnDelayMs = 0;
    int alarmOffDelayMs = 0;
    // One entry per cell, row by row from the upper left.
    std::vector<bool> activeCells;
};

struct AnalyticsConfig
{
    std::string token;
    std::string name;
    int useCount = 0;
    CellMotionState motion;
};

class MediaState
{
public:
    // The title OSD starts with this text (the simulator passes the serial).
    explicit MediaState(std::string_view title = "IPC");

    const std::vector<MediaProfile>& profiles() const { return m_profiles; }
    const MediaProfile* findProfile(std::string_view token) const;

    const VideoSource& videoSource() const { return m_videoSource; }
    const VideoSourceConfig& videoSourceConfig() const { return m_videoSourceConfig; }

    std::vector<VideoEncoderConfig>& videoEncoders() { return m_videoEncoders; }
    const std::vector<VideoEncoderConfig>& videoEncoders() const { return m_videoEncoders; }
    VideoEncoderConfig* findVideoEncoder(std::string_view token);
    const VideoEncoderOptions& videoEncoderOptions(const VideoEncoderConfig& encoder) const;

    AudioEncoderConfig& audioEncoder() { return m_audioEncoder; }
    const std::vector<AudioEncoderOption>& audioEncoderOptions() const { return m_audioOptions; }

    ImagingSettings& imaging() { return m_imaging; }
    const ImagingOptions& imagingOptions() const { return m_imagingOptions; }

    std::vector<OsdConfig>& osds() { return m_osds; }
    const std::vector<OsdConfig>& osds() const { return m_osds; }
    const OsdOptions& osdOptions() const { return m_osdOptions; }
    // A token no OSD has had on this camera.
    std::string nextOsdToken();

    AnalyticsConfig& analytics() { return m_analytics; }

private:
    std::vector<MediaProfile> m_profiles;
    VideoSource m_videoSource;
    VideoSourceConfig m_videoSourceConfig;
    std::vector<VideoEncoderConfig> m_videoEncoders;
    std::vector<VideoEncoderOptions> m_videoOptions;
    AudioEncoderConfig m_audioEncoder;
    std::vector<AudioEncoderOption> m_audioOptions;
    ImagingSettings m_imaging;
    ImagingOptions m_imagingOptions;
    std::vector<OsdConfig> m_osds;
    OsdOptions m_osdOptions;
    int m_nextOsdNumber = 1;
    AnalyticsConfig m_analytics;
};

} // namespace vexlo::ipcsim::onvif
