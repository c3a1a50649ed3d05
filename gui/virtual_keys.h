#pragma once

class QEvent;
class QObject;
class QWidget;

// The window logic speaks the original virtual-key codes (VK_SPACE 0x20,
// VK_ESCAPE 0x1B, ...); Qt has its own key numbers.
namespace vexlo {

inline constexpr int kVirtualKeyReturn = 0x0D;
inline constexpr int kVirtualKeyEscape = 0x1B;
inline constexpr int kVirtualKeySpace = 0x20;

// The virtual-key code of a Qt key, or 0 when the logic has no use for it.
int virtualKeyOf(int qtKey);

// The virtual-key code of a key event that `watched`, a widget inside
// `window`, receives; 0 for any other event. Windows filter their children's
// keys with it so that their logic can swallow a key (Escape) wherever the
// focus is.
int virtualKeyForWindow(const QWidget* window, QObject* watched, QEvent* event);

} // namespace vexlo
