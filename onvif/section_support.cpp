#include "onvif/section_support.h"

#include "onvif/settings_messages.h"
#include "platform/codepage.h"

#include <charconv>

namespace vexlo::onvif::sections {

namespace {

std::string deviceActionOf(std::string_view operation)
{
    return std::string(kOnvifDeviceNamespace) + "/" + std::string(operation);
}

} // namespace

std::string fieldOf(pugi::xml_node node, std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    if (slash != std::string_view::npos)
        node = node.first_element_by_path(std::string(path.substr(0, slash)).c_str());
    const pugi::xml_attribute attribute = node.attribute(name.c_str());
    const char* text = attribute ? attribute.value() : node.child(name.c_str()).child_value();
    return utf16ToUtf8(gbkToUtf16(text));
}

std::optional<int> numberOf(pugi::xml_node node, std::string_view path)
{
    const std::string text = fieldOf(node, path);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

SectionVerdict runDeviceSetting(DeviceClient& client, std::string_view operation,
                                const std::optional<std::string>& payload)
{
    if (!payload)
        return SectionVerdict::Refused;
    const auto reply = client.call(deviceActionOf(operation), *payload);
    if (reply.transportError())
        return SectionVerdict::NoAnswer;
    if (!reply.ok())
        return SectionVerdict::Refused;
    return parseEmptyResponse(*reply.value(), std::string(operation) + "Response").ok()
               ? SectionVerdict::Set
               : SectionVerdict::Refused;
}

SectionPush only(SectionVerdict verdict)
{
    SectionPush push;
    push.verdict = verdict;
    return push;
}

} // namespace vexlo::onvif::sections
