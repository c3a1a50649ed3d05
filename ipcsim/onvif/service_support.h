#pragma once

#include "ipcsim/onvif/media_services.h"
#include "onvif/soap_fault.h"
#include "onvif/xml_writer.h"

#include <optional>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the three services share: their namespaces, the faults they answer,
// and strict reading of the values a client sends.
namespace vexlo::ipcsim::onvif {

inline constexpr std::string_view kMediaNamespace = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr std::string_view kImagingNamespace = "http://www.onvif.org/ver20/imaging/wsdl";
inline constexpr std::string_view kAnalyticsNamespace = "http://www.onvif.org/ver20/analytics/wsdl";
inline constexpr std::string_view kSchemaNamespace = "http://www.onvif.org/ver10/schema";

// Longest token or name we keep from a client (the schema's limit for both).
inline constexpr std::size_t kMaxTokenLength = 64;

// env:Sender / ter:InvalidArgVal / ter:<detail>.
vexlo::onvif::SoapFault invalidArgument(std::string_view detail, std::string reason);
// env:<code> / ter:<subcode> / ter:<detail>.
vexlo::onvif::SoapFault fault(std::string_view code, std::string_view subcode,
                              std::string_view detail, std::string reason);
// A client's value for a reason text: quoted, and cut short so a fault never
// repeats a whole payload.
std::string quoted(std::string_view value);

// Whole-string numbers with XML whitespace trimmed; nothing for anything else,
// including values out of the type's range and non-finite floats.
std::optional<int> parseInt(std::string_view text);
std::optional<float> parseFloat(std::string_view text);
std::optional<bool> parseBool(std::string_view text);

// Shortest text that reads back as the same float ("50", "0.0909091").
std::string formatFloat(float value);
inline std::string formatBool(bool value)
{
    return value ? "true" : "false";
}

bool contains(const std::vector<std::string>& list, std::string_view value);

// A response element opened with its service prefix and the schema prefix tt
// declared on it, ready for content.
vexlo::onvif::XmlWriter openResponse(std::string_view qualifiedName, std::string_view prefix,
                                     std::string_view serviceNamespace);
// A response without content ("trt:SetOSDResponse").
ServiceAnswer emptyResponse(std::string_view qualifiedName, std::string_view prefix,
                            std::string_view serviceNamespace, std::string note = {});

// One operation of a service that works on the camera's state alone.
struct StateOperation
{
    std::string_view action;
    ServiceResult (*handler)(pugi::xml_node payload, MediaState& state);
};

// Runs the operation of `table` named `action`; nothing when none is.
std::optional<ServiceResult> runOperation(std::span<const StateOperation> table,
                                          std::string_view action, pugi::xml_node payload,
                                          MediaState& state);

// Each service's own table; nothing when the action is not in it.
std::optional<ServiceResult> handleMediaService(std::string_view action, pugi::xml_node payload,
                                                MediaState& state, const MediaContext& context);
std::optional<ServiceResult> handleOsdService(std::string_view action, pugi::xml_node payload,
                                              MediaState& state);
std::optional<ServiceResult> handleImagingService(std::string_view action, pugi::xml_node payload,
                                                  MediaState& state);
std::optional<ServiceResult> handleAnalyticsService(std::string_view action, pugi::xml_node payload,
                                                    MediaState& state);

} // namespace vexlo::ipcsim::onvif
