#pragma once

#include "onvif/device_messages.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The analytics service (ver20) as far as a cell motion detector needs it:
// the analytics modules of a profile's analytics configuration (the engine,
// its sensitivity and its cell grid) and its rules (which cells count).
namespace vexlo::onvif {

// A tt:Config: a module or a rule, by name and type, with its simple items in
// the camera's order.
struct AnalyticsConfig
{
    std::string name;
    std::string type; // as the camera wrote it, prefix and all
    std::vector<std::pair<std::string, std::string>> simpleItems;
    // The grid of a cell motion engine (ElementItem "Layout"); 0 when absent.
    int columns = 0;
    int rows = 0;

    const std::string* item(std::string_view itemName) const;
    bool operator==(const AnalyticsConfig&) const = default;
};

std::optional<std::string> buildGetAnalyticsModules(std::string_view configurationToken);
Reply<std::vector<AnalyticsConfig>> parseGetAnalyticsModules(std::string_view bytes);
std::optional<std::string> buildGetRules(std::string_view configurationToken);
Reply<std::vector<AnalyticsConfig>> parseGetRules(std::string_view bytes);

// The config is sent with its name, type and simple items only: the cell
// layout of a module is the camera's and is not sent back.
std::optional<std::string> buildModifyAnalyticsModules(std::string_view configurationToken,
                                                       const AnalyticsConfig& module);
std::optional<std::string> buildModifyRules(std::string_view configurationToken,
                                            const AnalyticsConfig& rule);

// The local name of a config's type ("tt:CellMotionDetector" ->
// "CellMotionDetector").
std::string_view configTypeName(const AnalyticsConfig& config);

} // namespace vexlo::onvif
