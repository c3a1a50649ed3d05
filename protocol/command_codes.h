#pragma once

#include "sdk/command_codes.h"
#include "sdk/netsdk.h"

#include <cstdint>

// The command codes as they go on the wire (unsigned 32-bit), from the one
// table in sdk/command_codes.h. Section codes of the configuration push
// (222..825) and the other SystemControl codes are passed through unchanged; a
// camera answers or refuses them under the same code.
namespace vexlo::protocol {

inline constexpr std::uint32_t kCodeSetTime = sdk::kCodeSetTime;
inline constexpr std::uint32_t kCodeFirmwareVerdict = sdk::kCodeFirmwareVerdict;
inline constexpr std::uint32_t kCodeVersion = sdk::kCodeVersion;
inline constexpr std::uint32_t kCodeStorage = sdk::kCodeStorage;
inline constexpr std::uint32_t kCodeFormat = sdk::kCodeFormat;
inline constexpr std::uint32_t kCodeReboot = sdk::kCodeReboot;
inline constexpr std::uint32_t kCodeFactoryRestore = sdk::kCodeFactoryRestore;

// An answer code with this bit set refuses the command in the low 24 bits.
inline constexpr std::uint32_t kRefusalBit = SDK_REFUSED_BIT;
inline constexpr std::uint32_t kCommandMask = SDK_COMMAND_MASK;

inline constexpr std::uint32_t refusalOf(std::uint32_t code)
{
    return code | kRefusalBit;
}
inline constexpr bool isRefusal(std::uint32_t code)
{
    return (code & kRefusalBit) != 0;
}
inline constexpr std::uint32_t commandOf(std::uint32_t code)
{
    return code & kCommandMask;
}

} // namespace vexlo::protocol
