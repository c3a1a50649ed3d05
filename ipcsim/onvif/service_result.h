#pragma once

#include "onvif/soap_fault.h"

#include <string>
#include <variant>

// What one SOAP operation of a simulated camera answers.
namespace vexlo::ipcsim::onvif {

struct ServiceAnswer
{
    // The response element that goes inside <s:Body>, compact, with every
    // namespace it uses declared on it (tds, trt, timg, tan, tt, ...).
    std::string body;
    // For the request log: what the camera did or fitted (empty: nothing to say).
    std::string note;
};

using ServiceResult = std::variant<ServiceAnswer, vexlo::onvif::SoapFault>;

} // namespace vexlo::ipcsim::onvif
