#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// PackBits run-length coding (the TIFF scheme), which carries a motion
// detector's cell mask: a header byte n in 0..127 copies the next n+1 bytes,
// n in -127..-1 repeats the next byte 1-n times, -128 is skipped.
namespace vexlo::onvif {

std::vector<std::uint8_t> packBits(std::span<const std::uint8_t> bytes);

// Nothing when a run is cut short or the output would pass maxOutput, so a
// few bytes from a peer cannot make us allocate without bound.
std::optional<std::vector<std::uint8_t>> unpackBits(std::span<const std::uint8_t> packed,
                                                    std::size_t maxOutput);

// A motion detector's ActiveCells value: one bit per cell, row by row from the
// upper left, the first cell in the high bit, the last byte filled with zeros;
// then PackBits, then Base64.
std::string encodeActiveCells(const std::vector<bool>& cells);
// Nothing unless the value unpacks to exactly the bytes cellCount cells need.
// Bits past the last cell are ignored.
std::optional<std::vector<bool>> decodeActiveCells(std::string_view base64, std::size_t cellCount);

} // namespace vexlo::onvif
