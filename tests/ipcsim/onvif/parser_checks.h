#pragma once

#include <cstdint>
#include <span>
#include <string>

// Feeds foreign bytes to the HTTP request parser and checks what it makes of
// them: no crash (the sanitizers watch reads), the same requests and the same
// verdict whatever pieces the bytes arrive in, never more input used than
// given, and the limits held. Returns an empty text when every check held,
// otherwise what went wrong. Shared by the randomised test and the fuzz target.
namespace vexlo::ipcsim::onvif::checks {

std::string checkParserInput(std::span<const std::uint8_t> bytes, std::uint32_t splitSeed);

} // namespace vexlo::ipcsim::onvif::checks
