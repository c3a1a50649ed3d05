#include "ipcsim/onvif/service_support.h"

#include "onvif/xml_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vexlo::ipcsim::onvif {

namespace {

// from_chars takes no leading '+', which xs:int and xs:float allow.
std::string_view numberText(std::string_view text)
{
    text = vexlo::onvif::trimSpace(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    return text;
}

} // namespace

vexlo::onvif::SoapFault invalidArgument(std::string_view detail, std::string reason)
{
    return fault("Sender", "InvalidArgVal", detail, std::move(reason));
}

vexlo::onvif::SoapFault fault(std::string_view code, std::string_view subcode,
                              std::string_view detail, std::string reason)
{
    vexlo::onvif::SoapFault result;
    result.code = std::string(code);
    result.subcodes.emplace_back(subcode);
    if (!detail.empty()) {
        result.subcodes.emplace_back(detail);
    }
    result.reason = std::move(reason);
    return result;
}

std::string quoted(std::string_view value)
{
    return "\"" + std::string(value.substr(0, kMaxTokenLength)) + "\"";
}

std::optional<int> parseInt(std::string_view text)
{
    text = numberText(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<float> parseFloat(std::string_view text)
{
    text = numberText(text);
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> parseBool(std::string_view text)
{
    text = vexlo::onvif::trimSpace(text);
    if (text == "true" || text == "1") {
        return true;
    }
    if (text == "false" || text == "0") {
        return false;
    }
    return std::nullopt;
}

std::string formatFloat(float value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

bool contains(const std::vector<std::string>& list, std::string_view value)
{
    return std::ranges::find(list, value) != list.end();
}

vexlo::onvif::XmlWriter openResponse(std::string_view qualifiedName, std::string_view prefix,
                                     std::string_view serviceNamespace)
{
    vexlo::onvif::XmlWriter writer;
    writer.open(qualifiedName)
        .attribute("xmlns:" + std::string(prefix), serviceNamespace)
        .attribute("xmlns:tt", kSchemaNamespace);
    return writer;
}

ServiceAnswer emptyResponse(std::string_view qualifiedName, std::string_view prefix,
                            std::string_view serviceNamespace, std::string note)
{
    vexlo::onvif::XmlWriter writer;
    writer.open(qualifiedName).attribute("xmlns:" + std::string(prefix), serviceNamespace);
    return {writer.finish(), std::move(note)};
}

std::optional<ServiceResult> runOperation(std::span<const StateOperation> table,
                                          std::string_view action, pugi::xml_node payload,
                                          MediaState& state)
{
    for (const StateOperation& operation : table) {
        if (operation.action == action) {
            return operation.handler(payload, state);
        }
    }
    return std::nullopt;
}

} // namespace vexlo::ipcsim::onvif
