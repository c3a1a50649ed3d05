#include "media_camera.h"

#include <gtest/gtest.h>

namespace vexlo::ipcsim::onvif::testing {
namespace {

using vexlo::onvif::attribute;
using vexlo::onvif::children;
using vexlo::onvif::find;
using vexlo::onvif::text;

// A SetVideoEncoderConfiguration as a client builds it from what it read,
// in the default namespace style some libraries write.
std::string setEncoder(std::string_view token, std::string_view width, std::string_view height,
                       std::string_view fps, std::string_view kbps,
                       std::string_view profile = "Main", std::string_view encoding = "H264")
{
    return std::string("<SetVideoEncoderConfiguration xmlns=\"") + std::string(kTrt) +
           "\"><Configuration token=\"" + std::string(token) +
           "\"><Name xmlns=\"http://www.onvif.org/ver10/schema\">Main</Name>"
           "<UseCount xmlns=\"http://www.onvif.org/ver10/schema\">1</UseCount>"
           "<Encoding xmlns=\"http://www.onvif.org/ver10/schema\">" +
           std::string(encoding) +
           "</Encoding><Resolution xmlns=\"http://www.onvif.org/ver10/schema\"><Width>" +
           std::string(width) + "</Width><Height>" + std::string(height) +
           "</Height></Resolution><Quality xmlns=\"http://www.onvif.org/ver10/schema\">6"
           "</Quality><RateControl xmlns=\"http://www.onvif.org/ver10/schema\"><FrameRateLimit>" +
           std::string(fps) +
           "</FrameRateLimit><EncodingInterval>1</EncodingInterval>"
           "<BitrateLimit>" +
           std::string(kbps) +
           "</BitrateLimit></RateControl>"
           "<H264 xmlns=\"http://www.onvif.org/ver10/schema\"><GovLength>30</GovLength>"
           "<H264Profile>" +
           std::string(profile) +
           "</H264Profile></H264>"
           "</Configuration><ForcePersistence>true</ForcePersistence>"
           "</SetVideoEncoderConfiguration>";
}

std::string getEncoder(std::string_view token)
{
    return "<trt:GetVideoEncoderConfiguration xmlns:trt=\"" + std::string(kTrt) +
           "\"><trt:ConfigurationToken>" + std::string(token) +
           "</trt:ConfigurationToken></trt:GetVideoEncoderConfiguration>";
}

std::string streamUri(std::string_view profile, std::string_view stream = "RTP-Unicast",
                      std::string_view protocol = "RTSP")
{
    return "<m:GetStreamUri xmlns:m=\"" + std::string(kTrt) + "\" xmlns:sch=\"" + std::string(kTt) +
           "\"><m:StreamSetup><sch:Stream>" + std::string(stream) +
           "</sch:Stream><sch:Transport><sch:Protocol>" + std::string(protocol) +
           "</sch:Protocol></sch:Transport></m:StreamSetup><m:ProfileToken>" +
           std::string(profile) + "</m:ProfileToken></m:GetStreamUri>";
}

TEST(MediaProfiles, TwoProfilesOfTheTestCardThatPointAtTheListedVideoSource)
{
    MediaCamera camera;
    const Reply profiles =
        camera.call("<GetProfiles xmlns=\"http://www.onvif.org/ver10/media/wsdl\"/>");
    ASSERT_TRUE(profiles.document);
    const auto list = children(profiles.root(), "Profiles");
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(attribute(list[0], "token"), "Profile_1");
    EXPECT_EQ(attribute(list[1], "token"), "Profile_2");
    for (const auto profile : list) {
        const auto encoder = find(profile, {"VideoEncoderConfiguration"});
        EXPECT_EQ(text(find(encoder, {"Encoding"})), "H264");
        EXPECT_EQ(text(find(encoder, {"Resolution", "Width"})), "320");
        EXPECT_EQ(text(find(encoder, {"Resolution", "Height"})), "180");
        EXPECT_EQ(text(find(encoder, {"RateControl", "FrameRateLimit"})), "10");
        EXPECT_EQ(text(find(profile, {"AudioEncoderConfiguration", "Encoding"})), "G711");
        EXPECT_EQ(text(find(profile, {"AudioEncoderConfiguration", "SampleRate"})), "8");
        EXPECT_EQ(attribute(find(profile, {"VideoAnalyticsConfiguration", "RuleEngineConfiguration",
                                           "Rule"}),
                            "Type"),
                  "tt:CellMotionDetector");
    }
    EXPECT_NE(text(find(list[0], {"VideoEncoderConfiguration", "Name"})),
              text(find(list[1], {"VideoEncoderConfiguration", "Name"})));

    // A client pairs a profile with its source through SourceToken.
    const Reply sources =
        camera.call("<trt:GetVideoSources xmlns:trt=\"" + std::string(kTrt) + "\"/>");
    EXPECT_EQ(attribute(find(sources.root(), {"VideoSources"}), "token"),
              text(find(list[0], {"VideoSourceConfiguration", "SourceToken"})));

    const Reply one = camera.call("<trt:GetProfile xmlns:trt=\"" + std::string(kTrt) +
                                  "\"><trt:ProfileToken>Profile_2</trt:ProfileToken>"
                                  "</trt:GetProfile>");
    EXPECT_EQ(attribute(find(one.root(), {"Profile"}), "token"), "Profile_2");
    const Reply missing = camera.call("<trt:GetProfile xmlns:trt=\"" + std::string(kTrt) +
                                      "\"><trt:ProfileToken>Nope</trt:ProfileToken>"
                                      "</trt:GetProfile>");
    EXPECT_EQ(missing.faultPath(), "Sender/InvalidArgVal/NoProfile");
}

TEST(MediaStreamUri, EachProfileGetsItsOwnStreamWhateverTheTransport)
{
    MediaCamera camera;
    EXPECT_EQ(camera.call(streamUri("Profile_1")).at({"MediaUri", "Uri"}),
              "rtsp://127.0.0.5:8554/main");
    EXPECT_EQ(camera.call(streamUri("Profile_2")).at({"MediaUri", "Uri"}),
              "rtsp://127.0.0.5:8554/sub");
    EXPECT_EQ(camera.call(streamUri("Profile_2", "RTP-Multicast", "UDP")).at({"MediaUri", "Uri"}),
              "rtsp://127.0.0.5:8554/sub");
    const Reply uri = camera.call(streamUri("Profile_1"));
    EXPECT_EQ(uri.at({"MediaUri", "InvalidAfterConnect"}), "false");
    EXPECT_EQ(uri.at({"MediaUri", "Timeout"}), "PT0S");

    EXPECT_EQ(camera.call(streamUri("Profile_9")).faultPath(), "Sender/InvalidArgVal/NoProfile");
    EXPECT_EQ(camera.call(streamUri("Profile_1", "RTP-Broadcast")).faultPath(),
              "Sender/InvalidArgVal/InvalidStreamSetup");
}

TEST(MediaVideoEncoder, SetValuesAreWhatGetAndGetProfilesReturn)
{
    MediaCamera camera;
    const Reply set = camera.call(setEncoder("VideoEncoder_1", "1280", "720", "25", "2048"));
    ASSERT_FALSE(set.fault) << set.fault->reason;
    EXPECT_NE(set.note.find("1280x720"), std::string::npos);

    const Reply get = camera.call(getEncoder("VideoEncoder_1"));
    EXPECT_EQ(get.at({"Configuration", "Resolution", "Width"}), "1280");
    EXPECT_EQ(get.at({"Configuration", "Resolution", "Height"}), "720");
    EXPECT_EQ(get.at({"Configuration", "RateControl", "FrameRateLimit"}), "25");
    EXPECT_EQ(get.at({"Configuration", "RateControl", "BitrateLimit"}), "2048");
    EXPECT_EQ(get.at({"Configuration", "Quality"}), "6");
    EXPECT_EQ(get.at({"Configuration", "H264", "GovLength"}), "30");
    EXPECT_EQ(get.at({"Configuration", "H264", "H264Profile"}), "Main");

    const Reply profiles = camera.call("<GetProfiles xmlns=\"" + std::string(kTrt) + "\"/>");
    EXPECT_EQ(profiles.at({"Profiles", "VideoEncoderConfiguration", "RateControl", "BitrateLimit"}),
              "2048");
    // The sub stream was not touched.
    EXPECT_EQ(camera.call(getEncoder("VideoEncoder_2"))
                  .at({"Configuration", "RateControl", "BitrateLimit"}),
              "256");
}

TEST(MediaVideoEncoder, EveryOfferedResolutionIsAcceptedAndNothingElse)
{
    MediaCamera camera;
    for (const std::string token : {"VideoEncoder_1", "VideoEncoder_2"}) {
        const Reply options =
            camera.call("<trt:GetVideoEncoderConfigurationOptions xmlns:trt=\"" +
                        std::string(kTrt) + "\"><trt:ConfigurationToken>" + token +
                        "</trt:ConfigurationToken></trt:GetVideoEncoderConfigurationOptions>");
        const auto offered =
            children(find(options.root(), {"Options", "H264"}), "ResolutionsAvailable");
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(
            text(find(options.root(), {"Options", "Extension", "H264", "BitrateRange", "Min"})),
            "32");
        for (const auto size : offered) {
            const Reply set = camera.call(setEncoder(token, text(find(size, {"Width"})),
                                                     text(find(size, {"Height"})), "10", "512"));
            EXPECT_FALSE(set.fault) << token << " " << set.fault->reason;
        }
    }
    // The sub stream offers no full HD, the main stream does.
    EXPECT_EQ(camera.call(setEncoder("VideoEncoder_2", "1920", "1080", "10", "512")).faultPath(),
              "Sender/InvalidArgVal/ConfigModify");
    EXPECT_FALSE(camera.call(setEncoder("VideoEncoder_1", "1920", "1080", "10", "512")).fault);
}

TEST(MediaVideoEncoder, ValuesNotOfferedAreRefusedAndChangeNothing)
{
    MediaCamera camera;
    const std::string before = camera.call(getEncoder("VideoEncoder_1")).body;
    const std::vector<std::string> refused = {
        setEncoder("VideoEncoder_1", "800", "600", "10", "512"),
        setEncoder("VideoEncoder_1", "320", "180", "30", "512"),
        setEncoder("VideoEncoder_1", "320", "180", "0", "512"),
        setEncoder("VideoEncoder_1", "320", "180", "10", "99999"),
        setEncoder("VideoEncoder_1", "320", "180", "10", "512", "Extended"),
        setEncoder("VideoEncoder_1", "320", "180", "10", "512", "Main", "JPEG"),
        setEncoder("VideoEncoder_1", "320", "180", "ten", "512"),
        setEncoder("VideoEncoder_1", "320", "180", "10", "4294967296"),
    };
    for (const std::string& request : refused) {
        const Reply reply = camera.call(request);
        EXPECT_EQ(reply.faultPath(), "Sender/InvalidArgVal/ConfigModify") << request;
    }
    EXPECT_EQ(camera.call(getEncoder("VideoEncoder_1")).body, before);
    EXPECT_EQ(camera.call(setEncoder("VideoEncoder_7", "320", "180", "10", "512")).faultPath(),
              "Sender/InvalidArgVal/NoConfig");
    EXPECT_EQ(camera.call(getEncoder("VideoEncoder_7")).faultPath(),
              "Sender/InvalidArgVal/NoConfig");
}

std::string setAudio(std::string_view encoding, std::string_view kbps, std::string_view khz)
{
    return "<ns1:SetAudioEncoderConfiguration xmlns:ns1=\"" + std::string(kTrt) +
           "\" xmlns:ns2=\"" + std::string(kTt) +
           "\"><ns1:Configuration token=\"AudioEncoder_1\"><ns2:Name>Audio</ns2:Name>"
           "<ns2:UseCount>2</ns2:UseCount><ns2:Encoding>" +
           std::string(encoding) + "</ns2:Encoding><ns2:Bitrate>" + std::string(kbps) +
           "</ns2:Bitrate><ns2:SampleRate>" + std::string(khz) +
           "</ns2:SampleRate></ns1:Configuration>"
           "<ns1:ForcePersistence>true</ns1:ForcePersistence></ns1:SetAudioEncoderConfiguration>";
}

TEST(MediaAudioEncoder, SetThenGetAndRefusalOfCombinationsNotOffered)
{
    MediaCamera camera;
    const std::string get = "<trt:GetAudioEncoderConfiguration xmlns:trt=\"" + std::string(kTrt) +
                            "\"><trt:ConfigurationToken>AudioEncoder_1</trt:ConfigurationToken>"
                            "</trt:GetAudioEncoderConfiguration>";
    ASSERT_FALSE(camera.call(setAudio("AAC", "32", "16")).fault);
    const Reply read = camera.call(get);
    EXPECT_EQ(read.at({"Configuration", "Encoding"}), "AAC");
    EXPECT_EQ(read.at({"Configuration", "Bitrate"}), "32");
    EXPECT_EQ(read.at({"Configuration", "SampleRate"}), "16");

    // G711 is 64 kbps at 8 kHz only.
    EXPECT_EQ(camera.call(setAudio("G711", "128", "8")).faultPath(),
              "Sender/InvalidArgVal/ConfigModify");
    EXPECT_EQ(camera.call(setAudio("G711", "64", "16")).faultPath(),
              "Sender/InvalidArgVal/ConfigModify");
    EXPECT_EQ(camera.call(setAudio("MP3", "64", "8")).faultPath(),
              "Sender/InvalidArgVal/ConfigModify");
    EXPECT_EQ(camera.call(get).at({"Configuration", "Encoding"}), "AAC");
    ASSERT_FALSE(camera.call(setAudio("G711", "64", "8")).fault);

    const Reply options = camera.call("<trt:GetAudioEncoderConfigurationOptions xmlns:trt=\"" +
                                      std::string(kTrt) + "\"/>");
    const auto offered = children(find(options.root(), {"Options"}), "Options");
    ASSERT_EQ(offered.size(), 2U);
    EXPECT_EQ(text(find(offered[0], {"Encoding"})), "G711");
    EXPECT_EQ(text(find(offered[0], {"BitrateList", "Items"})), "64");
}

TEST(MediaDispatch, ActionsOfOtherServicesAreLeftToThem)
{
    MediaCamera camera;
    EXPECT_FALSE(camera
                     .call("<tds:GetDeviceInformation xmlns:tds="
                           "\"http://www.onvif.org/ver10/device/wsdl\"/>")
                     .handled);
    // A PTZ GetStatus shares its name with the imaging one.
    EXPECT_FALSE(camera
                     .call("<tptz:GetStatus xmlns:tptz=\"http://www.onvif.org/ver20/ptz/wsdl\">"
                           "<tptz:ProfileToken>Profile_1</tptz:ProfileToken></tptz:GetStatus>")
                     .handled);
    EXPECT_FALSE(camera.call("<trt:GetOptions xmlns:trt=\"" + std::string(kTrt) + "\"/>").handled);
}

} // namespace
} // namespace vexlo::ipcsim::onvif::testing
