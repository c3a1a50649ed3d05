#include "onvif/analytics_messages.h"

#include "onvif/xml_reader.h"
#include "onvif/xml_writer.h"

namespace vexlo::onvif {

namespace {

// A cell grid larger than this is not a camera's: a 4K picture in cells of
// 8 x 8 pixels would be 480 x 270.
constexpr int kMaxGridSide = 1024;

AnalyticsConfig readConfig(pugi::xml_node node)
{
    AnalyticsConfig config;
    config.name = attribute(node, "Name");
    config.type = std::string(trimSpace(attribute(node, "Type")));
    const pugi::xml_node parameters = child(node, "Parameters");
    for (const pugi::xml_node item : children(parameters, "SimpleItem"))
        config.simpleItems.emplace_back(attribute(item, "Name"), attribute(item, "Value"));
    for (const pugi::xml_node item : children(parameters, "ElementItem")) {
        const pugi::xml_node layout = child(item, "CellLayout");
        if (attribute(item, "Name") != "Layout" || !layout)
            continue;
        const auto columns = parseInteger(attribute(layout, "Columns"));
        const auto rows = parseInteger(attribute(layout, "Rows"));
        if (columns && rows && *columns > 0 && *rows > 0 && *columns <= kMaxGridSide &&
            *rows <= kMaxGridSide) {
            config.columns = *columns;
            config.rows = *rows;
        }
    }
    return config;
}

Reply<std::vector<AnalyticsConfig>>
readConfigs(std::string_view bytes, std::string_view responseName, std::string_view elementName)
{
    return readResponse<std::vector<AnalyticsConfig>>(
        bytes, responseName, [elementName](pugi::xml_node payload) {
            std::vector<AnalyticsConfig> configs;
            for (const pugi::xml_node node : children(payload, elementName)) {
                if (AnalyticsConfig config = readConfig(node); !config.name.empty())
                    configs.push_back(std::move(config));
            }
            return std::optional(std::move(configs));
        });
}

std::optional<std::string> buildQuery(std::string_view operation, std::string_view token)
{
    token = trimSpace(token);
    if (token.empty())
        return std::nullopt;
    XmlWriter writer = openServiceRequest("tan", kOnvifAnalyticsNamespace, operation, false);
    writer.element("tan:ConfigurationToken", token);
    return writer.finish();
}

std::optional<std::string> buildModify(std::string_view operation, std::string_view element,
                                       std::string_view token, const AnalyticsConfig& config)
{
    token = trimSpace(token);
    if (token.empty() || config.name.empty() || config.type.empty())
        return std::nullopt;
    XmlWriter writer = openServiceRequest("tan", kOnvifAnalyticsNamespace, operation);
    writer.element("tan:ConfigurationToken", token);
    // The type is a QName: its prefix must be declared where it is used.
    const std::string_view type = configTypeName(config);
    writer.open(element)
        .attribute("Name", config.name)
        .attribute("Type", "tt:" + std::string(type))
        .open("tt:Parameters");
    for (const auto& [name, value] : config.simpleItems)
        writer.open("tt:SimpleItem").attribute("Name", name).attribute("Value", value).close();
    writer.close().close();
    return writer.finish();
}

} // namespace

const std::string* AnalyticsConfig::item(std::string_view itemName) const
{
    for (const auto& [itemKey, value] : simpleItems) {
        if (itemKey == itemName)
            return &value;
    }
    return nullptr;
}

std::string_view configTypeName(const AnalyticsConfig& config)
{
    return localName(config.type);
}

std::optional<std::string> buildGetAnalyticsModules(std::string_view configurationToken)
{
    return buildQuery("GetAnalyticsModules", configurationToken);
}

Reply<std::vector<AnalyticsConfig>> parseGetAnalyticsModules(std::string_view bytes)
{
    return readConfigs(bytes, "GetAnalyticsModulesResponse", "AnalyticsModule");
}

std::optional<std::string> buildGetRules(std::string_view configurationToken)
{
    return buildQuery("GetRules", configurationToken);
}

Reply<std::vector<AnalyticsConfig>> parseGetRules(std::string_view bytes)
{
    return readConfigs(bytes, "GetRulesResponse", "Rule");
}

std::optional<std::string> buildModifyAnalyticsModules(std::string_view configurationToken,
                                                       const AnalyticsConfig& module)
{
    return buildModify("ModifyAnalyticsModules", "tan:AnalyticsModule", configurationToken, module);
}

std::optional<std::string> buildModifyRules(std::string_view configurationToken,
                                            const AnalyticsConfig& rule)
{
    return buildModify("ModifyRules", "tan:Rule", configurationToken, rule);
}

} // namespace vexlo::onvif
