#include "ipcsim/onvif/media_services.h"

#include "ipcsim/onvif/service_support.h"
#include "onvif/xml_reader.h"

namespace vexlo::ipcsim::onvif {

std::string MediaContext::streamUri(std::string_view path) const
{
    return "rtsp://" + address + ":" + std::to_string(rtspPort) + "/" + std::string(path);
}

std::optional<ServiceResult> handleMediaOperation(std::string_view action, pugi::xml_node payload,
                                                  MediaState& state, const MediaContext& context)
{
    // The payload's namespace says which service a request is for; clients
    // that leave it out are served by the action name alone.
    const std::string ns = vexlo::onvif::namespaceOf(payload);
    const bool anyService = ns.empty();
    if (anyService || ns == kMediaNamespace) {
        if (auto result = handleMediaService(action, payload, state, context)) {
            return result;
        }
    }
    if (anyService || ns == kImagingNamespace) {
        if (auto result = handleImagingService(action, payload, state)) {
            return result;
        }
    }
    if (anyService || ns == kAnalyticsNamespace) {
        if (auto result = handleAnalyticsService(action, payload, state)) {
            return result;
        }
    }
    return std::nullopt;
}

} // namespace vexlo::ipcsim::onvif
