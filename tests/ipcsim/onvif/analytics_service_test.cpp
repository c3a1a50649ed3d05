#include "media_camera.h"

#include "onvif/packbits.h"

#include <gtest/gtest.h>

namespace vexlo::ipcsim::onvif::testing {
namespace {

using vexlo::onvif::attribute;
using vexlo::onvif::children;
using vexlo::onvif::decodeActiveCells;
using vexlo::onvif::encodeActiveCells;
using vexlo::onvif::find;

constexpr std::string_view kConfig = "VideoAnalyticsConfig_1";

std::string request(std::string_view operation, std::string_view content = {},
                    std::string_view config = kConfig)
{
    return "<tan:" + std::string(operation) + " xmlns:tan=\"" + std::string(kTan) +
           "\" xmlns:tt=\"" + std::string(kTt) + "\"><tan:ConfigurationToken>" +
           std::string(config) + "</tan:ConfigurationToken>" + std::string(content) +
           "</tan:" + std::string(operation) + ">";
}

std::string item(std::string_view name, std::string_view value)
{
    return "<tt:SimpleItem Name=\"" + std::string(name) + "\" Value=\"" + std::string(value) +
           "\"/>";
}

std::string rule(std::string_view items, std::string_view name = "MyMotionDetectorRule",
                 std::string_view type = "tt:CellMotionDetector")
{
    return "<tan:Rule Name=\"" + std::string(name) + "\" Type=\"" + std::string(type) +
           "\"><tt:Parameters>" + std::string(items) + "</tt:Parameters></tan:Rule>";
}

// The rule's SimpleItem of this name, from a GetRules reply.
std::string ruleItem(const Reply& reply, std::string_view name)
{
    for (const auto node : children(find(reply.root(), {"Rule", "Parameters"}), "SimpleItem")) {
        if (attribute(node, "Name") == name) {
            return attribute(node, "Value");
        }
    }
    return {};
}

TEST(AnalyticsRules, TheCellMaskSetIsTheMaskReadBack)
{
    MediaCamera camera;
    const Reply modules = camera.call(request("GetAnalyticsModules"));
    const auto layout =
        find(modules.root(), {"AnalyticsModule", "Parameters", "ElementItem", "CellLayout"});
    const int columns = std::stoi(attribute(layout, "Columns"));
    const int rows = std::stoi(attribute(layout, "Rows"));
    const auto cells = static_cast<std::size_t>(columns * rows);

    const Reply initial = camera.call(request("GetRules"));
    EXPECT_EQ(attribute(find(initial.root(), {"Rule"}), "Type"), "tt:CellMotionDetector");
    EXPECT_EQ(decodeActiveCells(ruleItem(initial, "ActiveCells"), cells),
              std::vector<bool>(cells, true));

    // A region in the upper left quarter, as a client would draw it.
    std::vector<bool> region(cells, false);
    for (int row = 0; row < rows / 2; ++row) {
        for (int column = 0; column < columns / 2; ++column) {
            region[static_cast<std::size_t>(row * columns + column)] = true;
        }
    }
    const Reply modified = camera.call(
        request("ModifyRules", rule(item("MinCount", "3") + item("AlarmOnDelay", "500") +
                                    item("AlarmOffDelay", "2000") +
                                    item("ActiveCells", encodeActiveCells(region)))));
    ASSERT_FALSE(modified.fault) << modified.fault->reason;
    const Reply read = camera.call(request("GetRules"));
    EXPECT_EQ(decodeActiveCells(ruleItem(read, "ActiveCells"), cells), region);
    EXPECT_EQ(ruleItem(read, "MinCount"), "3");
    EXPECT_EQ(ruleItem(read, "AlarmOnDelay"), "500");
    EXPECT_EQ(ruleItem(read, "AlarmOffDelay"), "2000");
    // The profiles show the same rule.
    const Reply profiles = camera.call("<GetProfiles xmlns=\"" + std::string(kTrt) + "\"/>");
    EXPECT_EQ(attribute(find(profiles.root(),
                             {"Profiles", "VideoAnalyticsConfiguration", "RuleEngineConfiguration",
                              "Rule", "Parameters", "SimpleItem"}),
                        "Value"),
              "3");
}

TEST(AnalyticsRules, MalformedRulesAreRefusedAndChangeNothing)
{
    MediaCamera camera;
    const std::string before = camera.call(request("GetRules")).body;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {rule(item("ActiveCells", "////")), "Sender/InvalidArgVal/InvalidRule"}, // cut short
        {rule(item("ActiveCells", "%%%")), "Sender/InvalidArgVal/InvalidRule"},
        {rule(item("ActiveCells", encodeActiveCells(std::vector<bool>(8, true)))),
         "Sender/InvalidArgVal/InvalidRule"},
        {rule(item("MinCount", "0")), "Sender/InvalidArgVal/InvalidRule"},
        {rule(item("AlarmOnDelay", "-5")), "Sender/InvalidArgVal/InvalidRule"},
        {rule(item("MinCount", "2")) + rule(item("AlarmOffDelay", "x")),
         "Sender/InvalidArgVal/InvalidRule"},
        {rule(item("MinCount", "2"), "Other"), "Sender/InvalidArgVal/RuleNotExistent"},
        {rule(item("MinCount", "2"), "MyMotionDetectorRule", "tt:LineDetector"),
         "Receiver/Action/TypeChangeProhibited"},
        {"", "Sender/InvalidArgVal/InvalidRule"},
    };
    for (const auto& [content, expected] : cases) {
        EXPECT_EQ(camera.call(request("ModifyRules", content)).faultPath(), expected) << content;
    }
    EXPECT_EQ(camera.call(request("GetRules")).body, before);
    EXPECT_EQ(camera.call(request("GetRules", {}, "Analytics_9")).faultPath(),
              "Sender/InvalidArgVal/NoConfig");
    const Reply supported = camera.call(request("GetSupportedRules"));
    EXPECT_EQ(attribute(find(supported.root(), {"SupportedRules", "RuleDescription"}), "Name"),
              "tt:CellMotionDetector");
}

TEST(AnalyticsModules, SensitivityChangesButTheLayoutStaysFixed)
{
    MediaCamera camera;
    const auto module = [](std::string_view items) {
        return "<tan:AnalyticsModule Name=\"MyCellMotionModule\" Type=\"tt:CellMotionEngine\">"
               "<tt:Parameters>" +
               std::string(items) + "</tt:Parameters></tan:AnalyticsModule>";
    };
    const auto sensitivity = [&] {
        return attribute(find(camera.call(request("GetAnalyticsModules")).root(),
                              {"AnalyticsModule", "Parameters", "SimpleItem"}),
                         "Value");
    };
    ASSERT_FALSE(camera
                     .call(request("ModifyAnalyticsModules",
                                   module(item("Sensitivity", "80") +
                                          "<tt:ElementItem Name=\"Layout\"><tt:CellLayout "
                                          "Columns=\"22\" Rows=\"18\"/></tt:ElementItem>")))
                     .fault);
    EXPECT_EQ(sensitivity(), "80");
    EXPECT_EQ(camera.call(request("ModifyAnalyticsModules", module(item("Sensitivity", "101"))))
                  .faultPath(),
              "Sender/InvalidArgVal/InvalidModule");
    EXPECT_EQ(camera
                  .call(request("ModifyAnalyticsModules",
                                module("<tt:ElementItem Name=\"Layout\"><tt:CellLayout "
                                       "Columns=\"8\" Rows=\"6\"/></tt:ElementItem>")))
                  .faultPath(),
              "Sender/InvalidArgVal/InvalidModule");
    EXPECT_EQ(sensitivity(), "80");
}

} // namespace
} // namespace vexlo::ipcsim::onvif::testing
