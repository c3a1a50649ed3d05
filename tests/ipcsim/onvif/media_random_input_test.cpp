#include "media_camera.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace vexlo::ipcsim::onvif::testing {
namespace {

// Requests every operation takes, each mutated at random: values swapped for
// odd ones, elements dropped or repeated. The services must answer each with
// a fault or a reply that parses, and must stay consistent enough to answer
// the next one.
TEST(MediaRandomInput, MutatedRequestsGetAnAnswerOrAFault)
{
    const std::vector<std::string> actions = {"GetProfiles",
                                              "GetProfile",
                                              "GetStreamUri",
                                              "GetVideoSources",
                                              "GetVideoSourceConfigurations",
                                              "GetVideoEncoderConfigurations",
                                              "GetVideoEncoderConfiguration",
                                              "SetVideoEncoderConfiguration",
                                              "GetVideoEncoderConfigurationOptions",
                                              "GetAudioEncoderConfigurations",
                                              "GetAudioEncoderConfiguration",
                                              "SetAudioEncoderConfiguration",
                                              "GetAudioEncoderConfigurationOptions",
                                              "GetOSDs",
                                              "GetOSD",
                                              "CreateOSD",
                                              "SetOSD",
                                              "DeleteOSD",
                                              "GetOSDOptions",
                                              "GetImagingSettings",
                                              "SetImagingSettings",
                                              "GetOptions",
                                              "GetMoveOptions",
                                              "GetStatus",
                                              "GetSupportedRules",
                                              "GetRules",
                                              "ModifyRules",
                                              "GetAnalyticsModules",
                                              "ModifyAnalyticsModules"};
    const std::vector<std::string> values = {"",
                                             "0",
                                             "-1",
                                             "2147483648",
                                             "1e39",
                                             "NaN",
                                             "Profile_1",
                                             "VideoEncoder_1",
                                             "OSD_1",
                                             "VideoSource_1",
                                             "VideoSourceConfig_1",
                                             "VideoAnalyticsConfig_1",
                                             "AudioEncoder_1",
                                             "H264",
                                             "Custom",
                                             "Plain",
                                             "&lt;&amp;&gt;",
                                             "\xC3\xA9",
                                             "////",
                                             "/v/+8A==",
                                             "MyMotionDetectorRule",
                                             "MyCellMotionModule",
                                             "tt:CellMotionDetector",
                                             "320",
                                             "180"};
    const std::vector<std::string> names = {"ProfileToken",    "ConfigurationToken",
                                            "OSDToken",        "VideoSourceToken",
                                            "Configuration",   "OSD",
                                            "ImagingSettings", "Rule",
                                            "AnalyticsModule", "Parameters",
                                            "SimpleItem",      "Resolution",
                                            "Width",           "Height",
                                            "RateControl",     "FrameRateLimit",
                                            "BitrateLimit",    "H264",
                                            "H264Profile",     "Encoding",
                                            "Position",        "Pos",
                                            "TextString",      "Type",
                                            "PlainText",       "Brightness",
                                            "WhiteBalance",    "Mode",
                                            "StreamSetup",     "Stream",
                                            "Bitrate",         "SampleRate",
                                            "ElementItem",     "CellLayout",
                                            "Multicast",       "Address",
                                            "IPv4Address",     "FontSize"};
    std::mt19937 random(20240521);
    const auto pick = [&](const std::vector<std::string>& list) -> const std::string& {
        return list[random() % list.size()];
    };
    // A random tree a few levels deep with random attributes and values.
    std::function<std::string(int)> tree = [&](int depth) {
        std::string out;
        const int count = static_cast<int>(random() % 4);
        for (int i = 0; i < count; ++i) {
            const std::string& name = pick(names);
            out += "<tt:" + name;
            if (random() % 2 == 0) {
                out += " token=\"" + pick(values) + "\" Name=\"" + pick(values) + "\" Value=\"" +
                       pick(values) + "\" x=\"" + pick(values) + "\" Type=\"" + pick(values) + "\"";
            }
            out += ">" + (depth > 0 && random() % 2 == 0 ? tree(depth - 1) : pick(values)) +
                   "</tt:" + name + ">";
        }
        return out;
    };

    MediaCamera camera;
    int answers = 0;
    int faults = 0;
    for (int round = 0; round < 5000; ++round) {
        const std::string& action = pick(actions);
        // Without a namespace on the payload the action name alone decides.
        const std::string request = "<" + action + " xmlns:tt=\"" + std::string(kTt) + "\">" +
                                    tree(4) + "</" + action + ">";
        const Reply reply = camera.call(request);
        ASSERT_TRUE(reply.handled) << request;
        (reply.fault ? faults : answers) += 1;
    }
    EXPECT_GT(answers, 0);
    EXPECT_GT(faults, 0);
    // Still a camera with its two profiles and a readable motion rule.
    EXPECT_EQ(vexlo::onvif::children(camera.call("<GetProfiles/>").root(), "Profiles").size(), 2U);
    EXPECT_FALSE(camera
                     .call("<GetRules><ConfigurationToken>VideoAnalyticsConfig_1"
                           "</ConfigurationToken></GetRules>")
                     .fault);
}

} // namespace
} // namespace vexlo::ipcsim::onvif::testing
