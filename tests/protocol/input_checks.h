#pragma once

#include <cstdint>
#include <span>
#include <string>

// Feeds foreign bytes to the decoders and checks what they make of them: no
// crash, no read outside the input (the sanitizers watch that), and every
// accepted input encodes back to exactly the bytes it came from. Returns an
// empty text when every check held, otherwise what went wrong. Shared by the
// randomised test and the libFuzzer targets.
namespace vexlo::protocol::checks {

std::string checkDatagramInput(std::span<const std::uint8_t> bytes);

// The bytes as a TCP stream (fed in pieces whose sizes come from splitSeed),
// and, with the first byte as type, as a body for that type's decoder.
std::string checkSessionInput(std::span<const std::uint8_t> bytes, std::uint32_t splitSeed);

} // namespace vexlo::protocol::checks
