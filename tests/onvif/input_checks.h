#pragma once

#include <string>
#include <string_view>

// Feeds foreign bytes to the ONVIF parsers and checks what they make of them:
// no crash, no read outside the input (the sanitizers watch that), and what
// was accepted, written out by our builders, reads back the same. Returns an
// empty text when every check held, otherwise what went wrong. Shared by the
// randomised test and the libFuzzer targets.
namespace vexlo::onvif::checks {

// XML limits, SOAP envelopes, faults and UsernameTokens.
std::string checkSoapInput(std::string_view bytes);
// WWW-Authenticate and Authorization values, and the Digest server.
std::string checkDigestInput(std::string_view bytes);
// Probe, ProbeMatches, Hello and Bye.
std::string checkDiscoveryInput(std::string_view bytes);

} // namespace vexlo::onvif::checks
