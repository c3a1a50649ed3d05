#include "media_camera.h"

#include <gtest/gtest.h>

namespace vexlo::ipcsim::onvif::testing {
namespace {

using vexlo::onvif::attribute;
using vexlo::onvif::children;
using vexlo::onvif::find;
using vexlo::onvif::text;

const std::string kGetOsds = "<trt:GetOSDs xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
                             "<trt:ConfigurationToken>VideoSourceConfig_1</trt:ConfigurationToken>"
                             "</trt:GetOSDs>";

// An OSD element's content in the tt prefix, as most clients write it.
std::string osd(std::string_view operation, std::string_view token, std::string_view position,
                std::string_view textString)
{
    return "<trt:" + std::string(operation) +
           " xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" "
           "xmlns:tt=\"http://www.onvif.org/ver10/schema\"><trt:OSD token=\"" +
           std::string(token) +
           "\"><tt:VideoSourceConfigurationToken>VideoSourceConfig_1"
           "</tt:VideoSourceConfigurationToken><tt:Type>Text</tt:Type><tt:Position>" +
           std::string(position) + "</tt:Position><tt:TextString>" + std::string(textString) +
           "</tt:TextString></trt:OSD></trt:" + std::string(operation) + ">";
}

std::string plain(std::string_view text)
{
    return "<tt:Type>Plain</tt:Type><tt:PlainText>" + std::string(text) + "</tt:PlainText>";
}

TEST(Osd, ACameraStartsWithItsClockAndItsTitle)
{
    MediaCamera camera;
    const Reply osds = camera.call(kGetOsds);
    const auto list = children(osds.root(), "OSDs");
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(text(find(list[0], {"TextString", "Type"})), "DateAndTime");
    EXPECT_EQ(text(find(list[0], {"TextString", "DateFormat"})), "yyyy-MM-dd");
    EXPECT_EQ(text(find(list[1], {"TextString", "PlainText"})), "SN-7 <Gate>");
}

TEST(Osd, CreateSetDeleteRoundTripKeepsTheTextExactly)
{
    MediaCamera camera;
    const std::string title = "Gate &amp; \"Yard\" &lt;north&gt; \xC3\xA9t\xC3\xA9";
    const Reply created =
        camera.call(osd("CreateOSD", "x", "<tt:Type>UpperRight</tt:Type>", plain(title)));
    ASSERT_FALSE(created.fault) << created.fault->reason;
    const std::string token = created.at({"OSDToken"});
    ASSERT_FALSE(token.empty());

    const auto read = [&] {
        return camera.call("<trt:GetOSD xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
                           "<trt:OSDToken>" +
                           token + "</trt:OSDToken></trt:GetOSD>");
    };
    EXPECT_EQ(read().at({"OSD", "TextString", "PlainText"}),
              "Gate & \"Yard\" <north> \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(read().at({"OSD", "Position", "Type"}), "UpperRight");

    ASSERT_FALSE(
        camera
            .call(osd("SetOSD", token, "<tt:Type>Custom</tt:Type><tt:Pos x=\"-0.5\" y=\"0.25\"/>",
                      plain("Dock 4")))
            .fault);
    const Reply after = read();
    EXPECT_EQ(after.at({"OSD", "TextString", "PlainText"}), "Dock 4");
    EXPECT_EQ(attribute(find(after.root(), {"OSD", "Position", "Pos"}), "x"), "-0.5");
    EXPECT_EQ(children(camera.call(kGetOsds).root(), "OSDs").size(), 3U);

    EXPECT_FALSE(camera
                     .call("<trt:DeleteOSD xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
                           "<trt:OSDToken>" +
                           token + "</trt:OSDToken></trt:DeleteOSD>")
                     .fault);
    EXPECT_EQ(read().faultPath(), "Sender/InvalidArgVal/NoConfig");
    EXPECT_EQ(children(camera.call(kGetOsds).root(), "OSDs").size(), 2U);
}

TEST(Osd, LimitsAndValuesTheOptionsDoNotOfferAreRefused)
{
    MediaCamera camera;
    const Reply options = camera.call(
        "<trt:GetOSDOptions xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\">"
        "<trt:ConfigurationToken>VideoSourceConfig_1</trt:ConfigurationToken></trt:GetOSDOptions>");
    EXPECT_EQ(attribute(find(options.root(), {"OSDOptions", "MaximumNumberOfOSDs"}), "Total"), "4");

    const std::string corner = "<tt:Type>LowerLeft</tt:Type>";
    for (const std::string& bad :
         {osd("CreateOSD", "x", "<tt:Type>Middle</tt:Type>", plain("a")),
          osd("CreateOSD", "x", "<tt:Type>Custom</tt:Type><tt:Pos x=\"2\" y=\"0\"/>", plain("a")),
          osd("CreateOSD", "x", corner, plain(std::string(65, 'x'))),
          osd("CreateOSD", "x", corner, plain("a") + "<tt:FontSize>500</tt:FontSize>"),
          osd("CreateOSD", "x", corner,
              "<tt:Type>Time</tt:Type><tt:TimeFormat>HHmm</tt:TimeFormat>"),
          osd("SetOSD", "OSD_1", corner, "<tt:Type>Scrolling</tt:Type>")}) {
        EXPECT_EQ(camera.call(bad).faultPath(), "Sender/InvalidArgVal/ConfigModify") << bad;
    }
    // One date-and-time OSD at most; and four in all.
    EXPECT_EQ(
        camera.call(osd("CreateOSD", "x", corner, "<tt:Type>DateAndTime</tt:Type>")).faultPath(),
        "Receiver/Action/MaxOSDs");
    EXPECT_FALSE(camera.call(osd("CreateOSD", "x", corner, plain("two"))).fault);
    EXPECT_FALSE(camera.call(osd("CreateOSD", "x", corner, plain("three"))).fault);
    EXPECT_EQ(camera.call(osd("CreateOSD", "x", corner, plain("five"))).faultPath(),
              "Receiver/Action/MaxOSDs");
    EXPECT_EQ(camera.call(osd("SetOSD", "OSD_99", corner, plain("a"))).faultPath(),
              "Sender/InvalidArgVal/NoConfig");
    EXPECT_EQ(children(camera.call(kGetOsds).root(), "OSDs").size(), 4U);
}

} // namespace
} // namespace vexlo::ipcsim::onvif::testing
