#include "video/wall_layout.h"

#include <algorithm>

namespace vexlo {

int gridSide(int deviceCount)
{
    if (deviceCount <= 1)
        return 1;
    int side = 2;
    while (side * side < deviceCount)
        ++side;
    return side;
}

std::vector<PaneRect> paneRectangles(const PaneRect& client, int side)
{
    std::vector<PaneRect> panes;
    if (side <= 0)
        return panes;
    const double cellWidth = static_cast<double>(client.width) / side;
    const double cellHeight = static_cast<double>(client.height) / side;
    const int clientRight = client.left + client.width;
    const int clientBottom = client.top + client.height;
    panes.reserve(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            const int left = client.left + static_cast<int>(column * cellWidth);
            const int top = client.top + static_cast<int>(row * cellHeight);
            int right = left + static_cast<int>(cellWidth);
            int bottom = top + static_cast<int>(cellHeight);
            if (right >= clientRight)
                right = clientRight - 1;
            if (bottom >= clientBottom)
                bottom = clientBottom - 1;
            panes.push_back(PaneRect{left + kPaneInset, top + kPaneInset,
                                     std::max(0, right - left - kPaneInset),
                                     std::max(0, bottom - top - kPaneInset)});
        }
    }
    return panes;
}

} // namespace vexlo
