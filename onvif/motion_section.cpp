#include "onvif/analytics_messages.h"
#include "onvif/media_messages.h"
#include "onvif/packbits.h"
#include "onvif/section_support.h"
#include "onvif/settings_messages.h"

#include <algorithm>

// The motion-alarm section onto the cell motion detector of the standard's
// analytics service: which cells count (the rule's ActiveCells) and how
// sensitive the engine is (the module's Sensitivity).
namespace vexlo::onvif::sections {

namespace {

constexpr int kPageCells = 64;
constexpr int kSensitivityMin = 0;
constexpr int kSensitivityMax = 100;
constexpr std::string_view kEngineType = "CellMotionEngine";
constexpr std::string_view kDetectorType = "CellMotionDetector";

// An analytics-service call whose answer is read with `parse`.
template <typename T, typename Parse>
Outcome<T> analyticsCall(DeviceClient& client, const std::string& url, std::string_view operation,
                         const std::optional<std::string>& payload, Parse parse)
{
    return serviceCall<T>(client, kOnvifAnalyticsNamespace, url, operation, payload,
                          std::move(parse));
}

const AnalyticsConfig* findByType(const std::vector<AnalyticsConfig>& configs,
                                  std::string_view type)
{
    const auto found = std::find_if(configs.begin(), configs.end(), [type](const auto& config) {
        return configTypeName(config) == type;
    });
    return found == configs.end() ? nullptr : &*found;
}

void setItem(AnalyticsConfig& config, const std::string& name, std::string value)
{
    for (auto& [itemName, itemValue] : config.simpleItems) {
        if (itemName == name) {
            itemValue = std::move(value);
            return;
        }
    }
    config.simpleItems.emplace_back(name, std::move(value));
}

} // namespace

std::vector<bool> cellsOnCameraGrid(std::string_view pageCells, int pageColumns, int pageRows,
                                    int columns, int rows)
{
    std::vector<bool> cells(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        // The page's cell under the centre of the camera's cell.
        const int pageRow = (2 * row + 1) * pageRows / (2 * rows);
        for (int column = 0; column < columns; ++column) {
            const int pageColumn = (2 * column + 1) * pageColumns / (2 * columns);
            const std::size_t pageCell =
                static_cast<std::size_t>(pageRow) * static_cast<std::size_t>(pageColumns) +
                static_cast<std::size_t>(pageColumn);
            cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                  static_cast<std::size_t>(column)] =
                pageCell < pageCells.size() && pageCells[pageCell] == '1';
        }
    }
    return cells;
}

// MotionDetectAlarm: the page's grid (BlockCount: columns in the high 16
// bits, rows in the low; BlockConfig: one '0' or '1' per cell, row by row)
// laid over the camera's own cell grid; with the alarm off no cell counts.
// The night values, the alarm threshold and the schedule have no place in
// the standard's detector and are not sent.
SectionPush pushMotion(DeviceClient& client, pugi::xml_node root)
{
    const auto enabled = numberOf(root, "Enable");
    const auto blockCount = numberOf(root, "BlockCount");
    const auto sensitivity = numberOf(root, "Sensitivity");
    const std::string pageCells = fieldOf(root, "BlockConfig");
    if (!enabled || !blockCount || !sensitivity)
        return {};
    const int pageColumns = *blockCount >> 16;
    const int pageRows = *blockCount & 0xFFFF;
    if (pageColumns < 1 || pageRows < 1 || pageColumns * pageRows > kPageCells)
        return {};

    const auto services = client.getCapabilities();
    if (!services.ok())
        return only(verdictOf(services));
    const std::string analytics = services.value()->analytics;
    const auto profiles = client.getProfiles();
    if (!profiles.ok())
        return only(verdictOf(profiles));
    const auto withAnalytics =
        std::find_if(profiles.value()->begin(), profiles.value()->end(),
                     [](const MediaProfile& profile) { return !profile.analyticsToken.empty(); });
    if (analytics.empty() || withAnalytics == profiles.value()->end())
        return {}; // the camera has no motion detector to set
    const std::string token = withAnalytics->analyticsToken;

    const auto modules = analyticsCall<std::vector<AnalyticsConfig>>(
        client, analytics, "GetAnalyticsModules", buildGetAnalyticsModules(token),
        parseGetAnalyticsModules);
    if (!modules.ok())
        return only(verdictOf(modules));
    const auto rules = analyticsCall<std::vector<AnalyticsConfig>>(
        client, analytics, "GetRules", buildGetRules(token), parseGetRules);
    if (!rules.ok())
        return only(verdictOf(rules));
    const AnalyticsConfig* engine = findByType(*modules.value(), kEngineType);
    const AnalyticsConfig* detector = findByType(*rules.value(), kDetectorType);
    if (!engine || !detector || engine->columns == 0)
        return {};

    SectionPush push;
    AnalyticsConfig nextEngine = *engine;
    const int fittedSensitivity = std::clamp(*sensitivity, kSensitivityMin, kSensitivityMax);
    if (fittedSensitivity != *sensitivity)
        push.fitted.push_back("motion detection: the sensitivity " + std::to_string(*sensitivity) +
                              " is outside 0..100, " + std::to_string(fittedSensitivity) +
                              " was set");
    setItem(nextEngine, "Sensitivity", std::to_string(fittedSensitivity));
    const auto moduleSet = analyticsCall<Accepted>(
        client, analytics, "ModifyAnalyticsModules", buildModifyAnalyticsModules(token, nextEngine),
        [](std::string_view bytes) {
            return parseEmptyResponse(bytes, "ModifyAnalyticsModulesResponse");
        });
    if (!moduleSet.ok())
        return only(verdictOf(moduleSet));

    AnalyticsConfig nextDetector = *detector;
    const std::vector<bool> cells =
        *enabled != 0
            ? cellsOnCameraGrid(pageCells, pageColumns, pageRows, engine->columns, engine->rows)
            : std::vector<bool>(static_cast<std::size_t>(engine->columns * engine->rows), false);
    setItem(nextDetector, "ActiveCells", encodeActiveCells(cells));
    push.verdict = verdictOf(analyticsCall<Accepted>(
        client, analytics, "ModifyRules", buildModifyRules(token, nextDetector),
        [](std::string_view bytes) { return parseEmptyResponse(bytes, "ModifyRulesResponse"); }));
    return push;
}

} // namespace vexlo::onvif::sections
