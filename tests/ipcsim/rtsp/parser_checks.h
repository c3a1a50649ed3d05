#pragma once

#include <cstdint>
#include <span>
#include <string>

// What must hold for any bytes at all that reach the RTSP request parser,
// shared by the random-input test and the fuzz target.
namespace rtsptest {

// Feeds `bytes` in pieces whose sizes follow `seed`, then checks the
// results: every request has a method, a URI and a numeric CSeq, nothing
// exceeds the limits, an error stays an error and has a status the server
// can send, and the buffer never outgrows the limits. Returns a description
// of the first broken rule, or an empty string.
std::string checkParserInput(std::span<const std::uint8_t> bytes, std::uint32_t seed);

} // namespace rtsptest
