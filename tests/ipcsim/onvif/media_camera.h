#pragma once

#include "ipcsim/onvif/media_services.h"
#include "onvif/xml_reader.h"

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// One simulated camera's media services behind the same steps the SOAP
// dispatch takes: the request's envelope parsed, its payload and action handed
// to the entry point, the reply parsed back by local name as a client would.
namespace vexlo::ipcsim::onvif::testing {

inline constexpr std::string_view kTt = "http://www.onvif.org/ver10/schema";
inline constexpr std::string_view kTrt = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr std::string_view kTimg = "http://www.onvif.org/ver20/imaging/wsdl";
inline constexpr std::string_view kTan = "http://www.onvif.org/ver20/analytics/wsdl";

struct Reply
{
    bool handled = false; // false: the entry point said the action is not its own
    std::optional<vexlo::onvif::SoapFault> fault;
    std::string body;
    std::string note;
    std::shared_ptr<vexlo::onvif::XmlDocument> document;

    pugi::xml_node root() const { return document ? document->root() : pugi::xml_node(); }
    // Text at a path of local names below the response element.
    std::string at(std::initializer_list<std::string_view> path) const;
    // "Sender/InvalidArgVal/NoConfig", or empty for an answer.
    std::string faultPath() const;
};

class MediaCamera
{
public:
    MediaCamera();

    // payload is the Body's content, prefixes and namespaces as the client writes them.
    Reply call(std::string_view payload);

    MediaState state;
    MediaContext context;
};

} // namespace vexlo::ipcsim::onvif::testing
