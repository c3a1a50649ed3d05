#pragma once

#include <vector>

// The video wall's grid: how many panes a side, and where each pane sits in the
// wall's client area. Pure arithmetic, so any front end places its panes alike.
namespace vexlo {

struct PaneRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PaneRect&) const = default;
};

// The black gap each pane leaves at its top-left corner.
inline constexpr int kPaneInset = 5;

// The side d of the square grid for `deviceCount` devices: 1 for none or one,
// otherwise the smallest d >= 2 with d * d >= deviceCount.
int gridSide(int deviceCount);

// The side × side pane rectangles in row-major order. Each cell is the client
// divided into equal floating-point parts, cut to end one pixel before the
// client's right or bottom edge when it would reach it, then inset by
// kPaneInset pixels at its top-left (a pane never gets a negative size).
std::vector<PaneRect> paneRectangles(const PaneRect& client, int side);

} // namespace vexlo
