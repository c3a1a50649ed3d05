#include "ipcsim/onvif/media_writers.h"
#include "ipcsim/onvif/service_support.h"
#include "onvif/packbits.h"
#include "onvif/xml_reader.h"

#include <algorithm>
#include <array>

// The analytics service (ver20): one cell motion detector, its rule (which
// cells count, how many must move, the alarm delays) and the module it runs
// on (the sensitivity; the cell layout is fixed, as on real cameras).
namespace vexlo::ipcsim::onvif {

namespace {

using vexlo::onvif::attribute;
using vexlo::onvif::child;
using vexlo::onvif::children;
using vexlo::onvif::decodeActiveCells;
using vexlo::onvif::text;

constexpr std::string_view kRuleType = "CellMotionDetector";
constexpr std::string_view kModuleType = "CellMotionEngine";
constexpr IntRange kDelayMs{0, 60000};
constexpr IntRange kSensitivity{0, 100};

XmlWriter open(std::string_view response)
{
    return openResponse("tan:" + std::string(response), "tan", kAnalyticsNamespace);
}

std::optional<vexlo::onvif::SoapFault> checkConfiguration(pugi::xml_node payload, MediaState& state)
{
    const std::string token = text(child(payload, "ConfigurationToken"));
    if (token == state.analytics().token) {
        return std::nullopt;
    }
    return invalidArgument("NoConfig", "no analytics configuration " + quoted(token));
}

// The items of a tt:Config's Parameters by name: the last one wins, as a
// client repeating an item means the later value.
std::optional<std::string> simpleItem(pugi::xml_node config, std::string_view name)
{
    std::optional<std::string> value;
    for (const pugi::xml_node item : children(child(config, "Parameters"), "SimpleItem")) {
        if (attribute(item, "Name") == name) {
            value = attribute(item, "Value");
        }
    }
    return value;
}

// Reads one integer item into target when it is there; the answer says what
// is wrong with it.
std::optional<std::string> readItem(pugi::xml_node config, std::string_view name, IntRange range,
                                    int& target)
{
    const auto value = simpleItem(config, name);
    if (!value) {
        return std::nullopt;
    }
    const auto number = parseInt(*value);
    if (!number || !range.contains(*number)) {
        return std::string(name) + " " + quoted(*value) + " is outside " +
               std::to_string(range.min) + ".." + std::to_string(range.max);
    }
    target = *number;
    return std::nullopt;
}

void writeDescription(XmlWriter& out, std::string_view name, std::string_view type)
{
    out.open("tt:SimpleItemDescription").attribute("Name", name).attribute("Type", type).close();
}

ServiceResult getSupportedRules(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkConfiguration(payload, state)) {
        return *problem;
    }
    XmlWriter out = open("GetSupportedRulesResponse");
    // The descriptions name types as QNames, so their prefixes are declared too.
    out.attribute("xmlns:xs", "http://www.w3.org/2001/XMLSchema")
        .attribute("xmlns:tns1", "http://www.onvif.org/ver10/topics");
    out.open("tan:SupportedRules");
    out.open("tt:RuleDescription").attribute("Name", "tt:CellMotionDetector");
    out.open("tt:Parameters");
    writeDescription(out, "MinCount", "xs:integer");
    writeDescription(out, "AlarmOnDelay", "xs:integer");
    writeDescription(out, "AlarmOffDelay", "xs:integer");
    writeDescription(out, "ActiveCells", "xs:base64Binary");
    out.close();
    out.open("tt:Messages").attribute("IsProperty", "true");
    out.open("tt:Source");
    writeDescription(out, "VideoSourceConfigurationToken", "tt:ReferenceToken");
    writeDescription(out, "VideoAnalyticsConfigurationToken", "tt:ReferenceToken");
    writeDescription(out, "Rule", "xs:string");
    out.close();
    out.open("tt:Data");
    writeDescription(out, "IsMotion", "xs:boolean");
    out.close();
    out.element("tt:ParentTopic", "tns1:RuleEngine/CellMotionDetector/Motion");
    out.close();
    out.close();
    out.close();
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult getRules(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkConfiguration(payload, state)) {
        return *problem;
    }
    XmlWriter out = open("GetRulesResponse");
    writeMotionRule(out, "tan:Rule", state.analytics().motion);
    return ServiceAnswer{out.finish(), {}};
}

// Every rule of the request is checked before any is applied, so a refused
// request changes nothing.
ServiceResult modifyRules(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkConfiguration(payload, state)) {
        return *problem;
    }
    const std::vector<pugi::xml_node> rules = children(payload, "Rule");
    if (rules.empty()) {
        return invalidArgument("InvalidRule", "the request carries no Rule");
    }
    CellMotionState candidate = state.analytics().motion;
    const int cellCount = candidate.columns * candidate.rows;
    for (const pugi::xml_node rule : rules) {
        const std::string name = attribute(rule, "Name");
        if (name != candidate.ruleName) {
            return invalidArgument("RuleNotExistent", "no rule " + quoted(name));
        }
        const std::string type = attribute(rule, "Type");
        if (vexlo::onvif::localName(type) != kRuleType) {
            return fault("Receiver", "Action", "TypeChangeProhibited",
                         name + " is a tt:CellMotionDetector, not " + quoted(type));
        }
        for (auto problem :
             {readItem(rule, "MinCount", {1, cellCount}, candidate.minCount),
              readItem(rule, "AlarmOnDelay", kDelayMs, candidate.alarmOnDelayMs),
              readItem(rule, "AlarmOffDelay", kDelayMs, candidate.alarmOffDelayMs)}) {
            if (problem) {
                return invalidArgument("InvalidRule", name + ": " + *problem);
            }
        }
        if (const auto cells = simpleItem(rule, "ActiveCells")) {
            auto decoded = decodeActiveCells(*cells, static_cast<std::size_t>(cellCount));
            if (!decoded) {
                return invalidArgument("InvalidRule",
                                       name + ": ActiveCells is not a PackBits mask of " +
                                           std::to_string(candidate.columns) + "x" +
                                           std::to_string(candidate.rows) + " cells");
            }
            candidate.activeCells = std::move(*decoded);
        }
    }
    state.analytics().motion = candidate;
    const auto active = std::ranges::count(candidate.activeCells, true);
    const std::string note = candidate.ruleName + ": " + std::to_string(active) + " of " +
                             std::to_string(cellCount) + " cells active, MinCount " +
                             std::to_string(candidate.minCount);
    return emptyResponse("tan:ModifyRulesResponse", "tan", kAnalyticsNamespace, note);
}

ServiceResult getAnalyticsModules(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkConfiguration(payload, state)) {
        return *problem;
    }
    XmlWriter out = open("GetAnalyticsModulesResponse");
    writeMotionModule(out, "tan:AnalyticsModule", state.analytics().motion);
    return ServiceAnswer{out.finish(), {}};
}

ServiceResult modifyAnalyticsModules(pugi::xml_node payload, MediaState& state)
{
    if (auto problem = checkConfiguration(payload, state)) {
        return *problem;
    }
    const std::vector<pugi::xml_node> modules = children(payload, "AnalyticsModule");
    if (modules.empty()) {
        return invalidArgument("InvalidModule", "the request carries no AnalyticsModule");
    }
    CellMotionState candidate = state.analytics().motion;
    for (const pugi::xml_node module : modules) {
        const std::string name = attribute(module, "Name");
        if (name != candidate.moduleName) {
            return invalidArgument("NameNotExistent", "no analytics module " + quoted(name));
        }
        const std::string type = attribute(module, "Type");
        if (vexlo::onvif::localName(type) != kModuleType) {
            return fault("Receiver", "Action", "TypeChangeProhibited",
                         name + " is a tt:CellMotionEngine, not " + quoted(type));
        }
        if (auto problem = readItem(module, "Sensitivity", kSensitivity, candidate.sensitivity)) {
            return invalidArgument("InvalidModule", name + ": " + *problem);
        }
        // The layout may be sent back as it was read; it cannot be changed.
        for (const pugi::xml_node item : children(child(module, "Parameters"), "ElementItem")) {
            const pugi::xml_node layout = child(item, "CellLayout");
            if (attribute(item, "Name") == "Layout" &&
                (parseInt(attribute(layout, "Columns")) != candidate.columns ||
                 parseInt(attribute(layout, "Rows")) != candidate.rows)) {
                return invalidArgument("InvalidModule", name + ": the cell layout is fixed at " +
                                                            std::to_string(candidate.columns) +
                                                            "x" + std::to_string(candidate.rows));
            }
        }
    }
    state.analytics().motion = candidate;
    return emptyResponse("tan:ModifyAnalyticsModulesResponse", "tan", kAnalyticsNamespace,
                         candidate.moduleName + ": sensitivity " +
                             std::to_string(candidate.sensitivity));
}

constexpr std::array<StateOperation, 5> kOperations = {
    StateOperation{"GetSupportedRules", getSupportedRules},
    StateOperation{"GetRules", getRules},
    StateOperation{"ModifyRules", modifyRules},
    StateOperation{"GetAnalyticsModules", getAnalyticsModules},
    StateOperation{"ModifyAnalyticsModules", modifyAnalyticsModules},
};

} // namespace

std::optional<ServiceResult> handleAnalyticsService(std::string_view action, pugi::xml_node payload,
                                                    MediaState& state)
{
    return runOperation(kOperations, action, payload, state);
}

} // namespace vexlo::ipcsim::onvif
