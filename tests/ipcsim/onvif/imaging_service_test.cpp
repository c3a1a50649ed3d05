#include "media_camera.h"

#include <gtest/gtest.h>

namespace vexlo::ipcsim::onvif::testing {
namespace {

const std::string kGet = "<GetImagingSettings xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\">"
                         "<VideoSourceToken>VideoSource_1</VideoSourceToken></GetImagingSettings>";

// The settings part of a SetImagingSettings, each value in the schema
// namespace as the npm client writes them.
std::string setImaging(std::string_view settings, std::string_view source = "VideoSource_1")
{
    return "<SetImagingSettings xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\">"
           "<VideoSourceToken xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\">" +
           std::string(source) +
           "</VideoSourceToken><ImagingSettings "
           "xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\">" +
           std::string(settings) + "</ImagingSettings></SetImagingSettings>";
}

std::string tt(std::string_view name, std::string_view value)
{
    return "<" + std::string(name) + " xmlns=\"http://www.onvif.org/ver10/schema\">" +
           std::string(value) + "</" + std::string(name) + ">";
}

TEST(ImagingSettings, SetChangesWhatItNamesAndGetReadsItBack)
{
    MediaCamera camera;
    const Reply set = camera.call(setImaging(
        tt("Brightness", "61.5") + tt("ColorSaturation", "40") + tt("Contrast", "70") +
        tt("IrCutFilter", "OFF") + tt("Sharpness", "+20") +
        "<t:WhiteBalance xmlns:t=\"http://www.onvif.org/ver10/schema\"><t:Mode>MANUAL</t:Mode>"
        "<t:CrGain>10</t:CrGain><t:CbGain>90</t:CbGain></t:WhiteBalance>" +
        // No exposure control on this camera: passed over, not refused.
        tt("Exposure", "<Mode>AUTO</Mode>")));
    ASSERT_FALSE(set.fault) << set.fault->reason;
    const Reply get = camera.call(kGet);
    EXPECT_EQ(get.at({"ImagingSettings", "Brightness"}), "61.5");
    EXPECT_EQ(get.at({"ImagingSettings", "ColorSaturation"}), "40");
    EXPECT_EQ(get.at({"ImagingSettings", "Contrast"}), "70");
    EXPECT_EQ(get.at({"ImagingSettings", "Sharpness"}), "20");
    EXPECT_EQ(get.at({"ImagingSettings", "IrCutFilter"}), "OFF");
    EXPECT_EQ(get.at({"ImagingSettings", "WhiteBalance", "Mode"}), "MANUAL");
    EXPECT_EQ(get.at({"ImagingSettings", "WhiteBalance", "CrGain"}), "10");
    EXPECT_EQ(get.at({"ImagingSettings", "WhiteBalance", "CbGain"}), "90");

    // A later partial set leaves the rest alone.
    ASSERT_FALSE(camera
                     .call(setImaging("<BacklightCompensation xmlns=\"http://www.onvif.org/"
                                      "ver10/schema\"><Mode>ON</Mode><Level>30</Level>"
                                      "</BacklightCompensation>"))
                     .fault);
    const Reply after = camera.call(kGet);
    EXPECT_EQ(after.at({"ImagingSettings", "BacklightCompensation", "Mode"}), "ON");
    EXPECT_EQ(after.at({"ImagingSettings", "BacklightCompensation", "Level"}), "30");
    EXPECT_EQ(after.at({"ImagingSettings", "Brightness"}), "61.5");
}

TEST(ImagingSettings, OptionRangesAreExactlyWhatSetAccepts)
{
    MediaCamera camera;
    const Reply options = camera.call(
        "<timg:GetOptions xmlns:timg=\"http://www.onvif.org/ver20/imaging/wsdl\">"
        "<timg:VideoSourceToken>VideoSource_1</timg:VideoSourceToken></timg:GetOptions>");
    for (const std::string name : {"Brightness", "ColorSaturation", "Contrast", "Sharpness"}) {
        const std::string min = options.at({"ImagingOptions", name, "Min"});
        const std::string max = options.at({"ImagingOptions", name, "Max"});
        ASSERT_FALSE(min.empty()) << name;
        EXPECT_FALSE(camera.call(setImaging(tt(name, min))).fault) << name;
        EXPECT_FALSE(camera.call(setImaging(tt(name, max))).fault) << name;
        EXPECT_EQ(camera.call(setImaging(tt(name, max + ".5"))).faultPath(),
                  "Sender/InvalidArgVal/SettingsInvalid")
            << name;
    }
    EXPECT_EQ(options.at({"ImagingOptions", "WhiteBalance", "YrGain", "Max"}), "100");
    EXPECT_EQ(camera
                  .call("<timg:GetMoveOptions xmlns:timg=\"http://www.onvif.org/ver20/imaging/"
                        "wsdl\"><timg:VideoSourceToken>VideoSource_1</timg:VideoSourceToken>"
                        "</timg:GetMoveOptions>")
                  .at({"MoveOptions"}),
              "");
}

TEST(ImagingSettings, ARefusedSetChangesNothingAtAll)
{
    MediaCamera camera;
    const std::string before = camera.call(kGet).body;
    for (const std::string& bad :
         {tt("Brightness", "101"), tt("Brightness", "NaN"), tt("Brightness", "INF"),
          tt("Contrast", "-1"), tt("Sharpness", "50 apples"), tt("IrCutFilter", "MAYBE"),
          // A valid value first does not make it through when a later one is refused.
          tt("Brightness", "10") + tt("Contrast", "500")}) {
        EXPECT_EQ(camera.call(setImaging(bad)).faultPath(), "Sender/InvalidArgVal/SettingsInvalid")
            << bad;
    }
    EXPECT_EQ(camera.call(kGet).body, before);
    EXPECT_EQ(camera.call(setImaging(tt("Brightness", "10"), "VideoSource_9")).faultPath(),
              "Sender/InvalidArgVal/NoSource");
}

} // namespace
} // namespace vexlo::ipcsim::onvif::testing
