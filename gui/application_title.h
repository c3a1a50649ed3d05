#pragma once

// The main window's title, which also captions every message box.
namespace vexlo {

inline constexpr char16_t kApplicationTitle[] = u"Vexlo_V1.4.5";

} // namespace vexlo
