#pragma once

#include <cstdint>

// The two message parameters of the original design: wParam usually carries a
// pointer or a handle, lParam a number.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
