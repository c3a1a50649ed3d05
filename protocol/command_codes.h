#pragma once

#include <cstdint>

// Command codes that have a fixed meaning to the camera. Section codes of the
// configuration push (222..825) and the other SystemControl codes are passed
// through unchanged; a camera answers or refuses them under the same code.
namespace vexlo::protocol {

inline constexpr std::uint32_t kCodeSetTime = 1005;
inline constexpr std::uint32_t kCodeFirmwareVerdict = 1009;
inline constexpr std::uint32_t kCodeVersion = 1012;
inline constexpr std::uint32_t kCodeStorage = 1014;
inline constexpr std::uint32_t kCodeFormat = 1017;
// Chosen outside every range the program routes, so they never clash with a
// configuration or system code.
inline constexpr std::uint32_t kCodeReboot = 1101;
inline constexpr std::uint32_t kCodeFactoryRestore = 1102;

// An answer code with this bit set refuses the command in the low 24 bits.
inline constexpr std::uint32_t kRefusalBit = 0x80000000u;
inline constexpr std::uint32_t kCommandMask = 0x00FFFFFFu;

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
