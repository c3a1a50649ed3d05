#include "onvif/analytics_messages.h"
#include "onvif/encoder_messages.h"
#include "onvif/media_messages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace vexlo::onvif;

namespace {

std::string reply(const std::string& name)
{
    std::ifstream file(std::string(VEXLO_ONVIF_REPLIES_DIR) + "/" + name);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(MediaProfiles, PrettyReplyWithExtraConfigurationsAndProfilesWithoutTokens)
{
    const auto got = parseGetProfiles(reply("profiles_two_pretty.xml"));
    ASSERT_TRUE(got.ok());
    const std::vector<MediaProfile> expected{
        {"Profile_1", "mainStream", true,
         VideoEncoderSummary{"VideoEncoderToken_1", "VideoEncoder_1", "H264", 2560, 1440},
         "VideoAnalytics_1"},
        // A negative height is not believed.
        {"Profile_2", "subStream", true,
         VideoEncoderSummary{"VideoEncoderToken_2", "VideoEncoder_2", "JPEG", 640, 0}, ""},
        {"audio_only", "Audio", false, std::nullopt, ""}};
    EXPECT_EQ(*got.value(), expected);
}

TEST(MediaStreamUri, Soap11DefaultNamespacesAndAnEscapedQuery)
{
    const auto got = parseGetStreamUri(reply("stream_uri_soap11_compact.xml"));
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got.value(), (StreamUri{"rtsp://192.168.1.64:554/Streaming/Channels/"
                                       "101?transportmode=unicast&profile=Profile_1",
                                       false, true, std::chrono::seconds(60)}));
    EXPECT_TRUE(parseGetStreamUri(
                    buildEnvelope(
                        "<GetStreamUriResponse><MediaUri><Uri/></MediaUri></GetStreamUriResponse>"))
                    .malformed());
    EXPECT_TRUE(parseGetStreamUri(reply("fault_not_authorized_soap12.xml")).fault());
}

TEST(MediaStreamUri, RequestAsksUnicastRtspForTheProfileInTheMediaNamespace)
{
    const std::optional<std::string> built = buildGetStreamUri(" Profile&1 ");
    ASSERT_TRUE(built);
    const auto message = parseEnvelope(buildEnvelope(*built));
    ASSERT_TRUE(message);
    const pugi::xml_node payload = message->payload();
    EXPECT_EQ(namespaceOf(payload), kOnvifMediaNamespace);
    EXPECT_EQ(text(child(payload, "ProfileToken")), "Profile&1");
    EXPECT_EQ(text(find(payload, {"StreamSetup", "Stream"})), "RTP-Unicast");
    EXPECT_EQ(text(find(payload, {"StreamSetup", "Transport", "Protocol"})), "RTSP");
    EXPECT_EQ(namespaceOf(find(payload, {"StreamSetup", "Stream"})), kOnvifSchemaNamespace);
    EXPECT_FALSE(buildGetStreamUri("  "));
    EXPECT_EQ(parseEnvelope(buildEnvelope(buildGetProfiles()))->action(), "GetProfiles");
}

TEST(MediaEncoderOptions, Soap11DefaultNamespacesVendorExtrasAndTheExtensionsBitrate)
{
    const auto got = parseGetVideoEncoderConfigurationOptions(
        reply("video_encoder_options_soap11_default_ns.xml"));
    ASSERT_TRUE(got.ok());
    // A size with a negative side is left out; the bit rate range only the
    // extension carries is found there.
    EXPECT_EQ(got.value()->resolutions, (std::vector<Resolution>{{2560, 1440}, {1920, 1080}}));
    ASSERT_TRUE(got.value()->frameRate);
    EXPECT_EQ(got.value()->frameRate->max, 30);
    ASSERT_TRUE(got.value()->bitrate);
    EXPECT_EQ(got.value()->bitrate->min, 32);
    EXPECT_EQ(got.value()->bitrate->max, 16384);
}

} // namespace

namespace analytics_test {

using namespace vexlo::onvif;

// Modules and rules as two other makes write them; what is sent back keeps
// every item the camera had, in its order, with only the one value changed.
TEST(AnalyticsMessages, ModulesAndRulesAreReadAndSentBackWhole)
{
    const auto modules = parseGetAnalyticsModules(reply("analytics_modules_pretty.xml"));
    ASSERT_TRUE(modules.ok());
    ASSERT_EQ(modules.value()->size(), 2u);
    const AnalyticsConfig& engine = modules.value()->front();
    EXPECT_EQ(configTypeName(engine), "CellMotionEngine");
    EXPECT_EQ(engine.columns, 22);
    EXPECT_EQ(engine.rows, 18);
    ASSERT_NE(engine.item("Sensitivity"), nullptr);
    EXPECT_EQ(*engine.item("Sensitivity"), "60");
    EXPECT_EQ((*modules.value())[1].columns, 0) << "a grid no camera has is not believed";

    const auto rules = parseGetRules(reply("analytics_rules_compact.xml"));
    ASSERT_TRUE(rules.ok());
    ASSERT_EQ(rules.value()->size(), 1u) << "a rule without a name cannot be modified";
    AnalyticsConfig rule = rules.value()->front();
    ASSERT_EQ(rule.simpleItems.size(), 4u);
    rule.simpleItems[3].second = "new<cells>";
    const auto request = buildModifyRules("VideoAnalytics_1", rule);
    ASSERT_TRUE(request);
    const std::size_t minCount = request->find("Name=\"MinCount\" Value=\"5\"");
    const std::size_t cells = request->find("Name=\"ActiveCells\" Value=\"new&lt;cells&gt;\"");
    EXPECT_NE(minCount, std::string::npos) << *request;
    EXPECT_NE(cells, std::string::npos) << *request;
    EXPECT_LT(minCount, cells);
    EXPECT_NE(request->find("Type=\"tt:CellMotionDetector\""), std::string::npos);
    EXPECT_FALSE(buildModifyRules(" ", rule)) << "no configuration token, nothing to send";
}

} // namespace analytics_test
