#pragma once

#include <cstdint>
#include <optional>

namespace vexlo::protocol {

// The enumerator for a wire byte, or nothing when the byte is above the last
// value this version defines.
template <typename Enum> std::optional<Enum> enumFromByte(std::uint8_t raw, Enum last)
{
    if (raw > static_cast<std::uint8_t>(last))
        return std::nullopt;
    return static_cast<Enum>(raw);
}

} // namespace vexlo::protocol
