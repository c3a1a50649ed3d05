#pragma once

#include "onvif/soap.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo::onvif {

inline constexpr std::string_view kOnvifErrorNamespace = "http://www.onvif.org/ver10/error";

// Real faults carry one or two subcodes; past this many the rest are dropped,
// both when reading and when writing, since each one nests a level deeper.
inline constexpr std::size_t kMaxFaultSubcodes = 8;

// A fault reduced to local names: code "Sender", subcodes {"NotAuthorized"}.
// SOAP 1.1's Client and Server read as Sender and Receiver, so callers test one
// set of names whichever version the camera speaks.
struct SoapFault
{
    std::string code;
    std::vector<std::string> subcodes; // outermost first
    std::string reason;

    // True when the code or any subcode has this local name. Some makes put an
    // ONVIF error straight into a SOAP 1.1 faultcode, so callers ask this.
    bool mentions(std::string_view local) const;

    bool operator==(const SoapFault&) const = default;
};

// A SOAP 1.2 fault envelope: the code in the envelope namespace, every subcode
// in the ONVIF error namespace (prefix "ter"), the reason in English.
std::string buildFault(const SoapFault& fault);

// Nothing when the body holds no Fault.
std::optional<SoapFault> parseFault(const SoapMessage& message);
std::optional<SoapFault> parseFault(std::string_view bytes);

} // namespace vexlo::onvif
