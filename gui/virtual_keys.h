#pragma once

// The window logic speaks the original virtual-key codes (VK_SPACE 0x20,
// VK_ESCAPE 0x1B, ...); Qt has its own key numbers.
namespace vexlo {

inline constexpr int kVirtualKeyReturn = 0x0D;
inline constexpr int kVirtualKeyEscape = 0x1B;
inline constexpr int kVirtualKeySpace = 0x20;

// The virtual-key code of a Qt key, or 0 when the logic has no use for it.
int virtualKeyOf(int qtKey);

} // namespace vexlo
