#pragma once

#include <cstddef>
#include <cstdint>

namespace vexlo::ipcsim {

// CRC-32 (IEEE 802.3, the zlib one), computed piece by piece: start with 0 and
// feed the previous result back in with the next piece.
std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t size);

} // namespace vexlo::ipcsim
