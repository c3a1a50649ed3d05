#pragma once

#include "onvif/device_client.h"
#include "onvif/section_result.h"

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the sections of the configuration push share: reading the section's
// own request, and turning a camera's answers into a section's verdict.
namespace vexlo::onvif::sections {

// A field of the section's body: "Element/Name" is the attribute Name of the
// element (the form the home protocol's requests take), or a child element
// of that name. GBK there, UTF-8 for the camera.
std::string fieldOf(pugi::xml_node node, std::string_view path);
std::optional<int> numberOf(pugi::xml_node node, std::string_view path);

// One device-service operation whose response is empty.
SectionVerdict runDeviceSetting(DeviceClient& client, std::string_view operation,
                                const std::optional<std::string>& payload);

SectionPush only(SectionVerdict verdict);

template <typename T> SectionVerdict verdictOf(const Outcome<T>& outcome)
{
    if (outcome.ok())
        return SectionVerdict::Set;
    return outcome.transportError() ? SectionVerdict::NoAnswer : SectionVerdict::Refused;
}

// A call of the service of `serviceNamespace` at `url`, whose answer the
// caller reads with `parse`.
template <typename T, typename Parse>
Outcome<T> serviceCall(DeviceClient& client, std::string_view serviceNamespace,
                       const std::string& url, std::string_view operation,
                       const std::optional<std::string>& payload, Parse parse)
{
    if (!payload)
        return CameraRefusal{0, std::nullopt, false, false, "nothing to send"};
    auto reply =
        client.call(std::string(serviceNamespace) + "/" + std::string(operation), *payload, url);
    if (!reply.ok())
        return std::move(reply).template failureAs<T>();
    auto parsed = parse(*reply.value());
    if (const T* value = parsed.value())
        return *value;
    return Malformed{"the camera's " + std::string(operation) + " answer"};
}

// A media-service call whose answer the caller reads with `parse`.
template <typename T, typename Parse>
Outcome<T> mediaCall(DeviceClient& client, std::string_view operation,
                     const std::optional<std::string>& payload, Parse parse)
{
    const auto media = client.mediaServiceUrl();
    if (!media.ok())
        return Outcome<std::string>(media).template failureAs<T>();
    return serviceCall<T>(client, kOnvifMediaNamespace, *media.value(), operation, payload,
                          std::move(parse));
}

// The media sections (media_sections.cpp).
SectionPush pushVideo(DeviceClient& client, pugi::xml_node root);
SectionPush pushAudio(DeviceClient& client, pugi::xml_node root);
SectionPush pushCapture(DeviceClient& client, pugi::xml_node root);
SectionPush pushOverlay(DeviceClient& client, pugi::xml_node root);

// The motion section (motion_section.cpp).
SectionPush pushMotion(DeviceClient& client, pugi::xml_node root);
// The page's grid of pageColumns x pageRows cells ('1' selected, row by row)
// laid over a camera grid of columns x rows: a camera cell counts when the
// page's cell under its centre is selected.
std::vector<bool> cellsOnCameraGrid(std::string_view pageCells, int pageColumns, int pageRows,
                                    int columns, int rows);

} // namespace vexlo::onvif::sections
