#include "ipcsim/onvif/media_state.h"

#include <algorithm>

namespace vexlo::ipcsim::onvif {

namespace {

// The sensor the test card pretends to come from; the encoders scale it down.
constexpr Resolution kSensor{1920, 1080};
constexpr Resolution kTestCard{320, 180};
constexpr int kTestCardFps = 10;

// A grid of 22 x 18 cells over the whole picture, as many cameras use.
constexpr int kCellColumns = 22;
constexpr int kCellRows = 18;

VideoEncoderOptions mainOptions()
{
    return {.quality = {1, 10},
            .resolutions = {{1920, 1080}, {1280, 720}, {640, 360}, {320, 180}},
            .govLength = {1, 250},
            .frameRate = {1, 25},
            .encodingInterval = {1, 10},
            .bitrateKbps = {32, 16384},
            .h264Profiles = {"Baseline", "Main", "High"}};
}

// The sub stream offers only the small sizes, as real second streams do.
VideoEncoderOptions subOptions()
{
    return {.quality = {1, 10},
            .resolutions = {{640, 360}, {320, 180}},
            .govLength = {1, 250},
            .frameRate = {1, 25},
            .encodingInterval = {1, 10},
            .bitrateKbps = {32, 4096},
            .h264Profiles = {"Baseline", "Main", "High"}};
}

VideoEncoderConfig encoder(std::string token, std::string name, int bitrate, std::size_t options)
{
    VideoEncoderConfig config;
    config.token = std::move(token);
    config.name = std::move(name);
    config.resolution = kTestCard;
    config.quality = 5;
    config.frameRateLimit = kTestCardFps;
    config.bitrateLimitKbps = bitrate;
    config.govLength = 2 * kTestCardFps;
    // The test card's encoder writes Constrained Baseline streams.
    config.h264Profile = "Baseline";
    config.optionsIndex = options;
    return config;
}

} // namespace

MediaState::MediaState(std::string_view title)
{
    m_videoSource = {.token = "VideoSource_1", .framerate = kTestCardFps, .resolution = kSensor};
    m_videoSourceConfig = {.token = "VideoSourceConfig_1",
                           .name = "VideoSourceConfig_1",
                           .useCount = 2,
                           .sourceToken = m_videoSource.token,
                           .bounds = kSensor};

    m_videoOptions = {mainOptions(), subOptions()};
    m_videoEncoders = {encoder("VideoEncoder_1", "MainStream", 512, 0),
                       encoder("VideoEncoder_2", "SubStream", 256, 1)};
    m_profiles = {{"Profile_1", "mainStream", "main", "VideoEncoder_1"},
                  {"Profile_2", "subStream", "sub", "VideoEncoder_2"}};

    m_audioEncoder.token = "AudioEncoder_1";
    m_audioEncoder.name = "AudioEncoder_1";
    m_audioEncoder.useCount = 2;
    m_audioOptions = {{"G711", {64}, {8}}, {"AAC", {32, 64, 96, 128}, {8, 16, 32, 48}}};

    m_imagingOptions = {.backlightModes = {"OFF", "ON"},
                        .backlightLevel = {0, 100},
                        .brightness = {0, 100},
                        .colorSaturation = {0, 100},
                        .contrast = {0, 100},
                        .sharpness = {0, 100},
                        .irCutFilterModes = {"ON", "OFF", "AUTO"},
                        .whiteBalanceModes = {"AUTO", "MANUAL"},
                        .crGain = {0, 100},
                        .cbGain = {0, 100}};

    m_osdOptions = {
        .maxTotal = 4,
        .maxPlainText = 3,
        .maxDate = 1,
        .maxTime = 1,
        .maxDateAndTime = 1,
        .positions = {"UpperLeft", "UpperRight", "LowerLeft", "LowerRight", "Custom"},
        .textTypes = {"Plain", "Date", "Time", "DateAndTime"},
        .fontSize = {8, 64},
        .dateFormats = {"M/d/yyyy", "MM/dd/yyyy", "dd/MM/yyyy", "yyyy/MM/dd", "yyyy-MM-dd"},
        .timeFormats = {"h:mm:ss tt", "hh:mm:ss tt", "H:mm:ss", "HH:mm:ss"},
        .maxTextLength = 64};
    OsdConfig clock;
    clock.token = nextOsdToken();
    clock.videoSourceConfigurationToken = m_videoSourceConfig.token;
    clock.positionType = "UpperLeft";
    clock.textType = "DateAndTime";
    clock.dateFormat = "yyyy-MM-dd";
    clock.timeFormat = "HH:mm:ss";
    clock.fontSize = 16;
    OsdConfig name;
    name.token = nextOsdToken();
    name.videoSourceConfigurationToken = m_videoSourceConfig.token;
    name.positionType = "LowerRight";
    name.textType = "Plain";
    name.fontSize = 16;
    name.plainText = std::string(title.substr(0, m_osdOptions.maxTextLength));
    m_osds = {clock, name};

    m_analytics.token = "VideoAnalyticsConfig_1";
    m_analytics.name = "VideoAnalyticsConfig_1";
    m_analytics.useCount = 2;
    CellMotionState& motion = m_analytics.motion;
    motion.moduleName = "MyCellMotionModule";
    motion.sensitivity = 50;
    motion.columns = kCellColumns;
    motion.rows = kCellRows;
    motion.ruleName = "MyMotionDetectorRule";
    motion.minCount = 5;
    motion.alarmOnDelayMs = 1000;
    motion.alarmOffDelayMs = 1000;
    motion.activeCells.assign(static_cast<std::size_t>(kCellColumns * kCellRows), true);
}

const MediaProfile* MediaState::findProfile(std::string_view token) const
{
    const auto found = std::ranges::find(m_profiles, token, &MediaProfile::token);
    return found == m_profiles.end() ? nullptr : &*found;
}

VideoEncoderConfig* MediaState::findVideoEncoder(std::string_view token)
{
    const auto found = std::ranges::find(m_videoEncoders, token, &VideoEncoderConfig::token);
    return found == m_videoEncoders.end() ? nullptr : &*found;
}

const VideoEncoderOptions& MediaState::videoEncoderOptions(const VideoEncoderConfig& encoder) const
{
    return m_videoOptions.at(encoder.optionsIndex);
}

std::string MediaState::nextOsdToken()
{
    return "OSD_" + std::to_string(m_nextOsdNumber++);
}

} // namespace vexlo::ipcsim::onvif
