#include "video/sta_wnd.h"

#include "engine/device_record.h"

#include <algorithm>

namespace vexlo {

std::optional<std::uint32_t> CStaWnd::frameColour(int upgradeResult)
{
    switch (upgradeResult) {
    case 1:
        return kPaneGreen;
    case 2:
        return kPaneRed;
    default:
        return std::nullopt;
    }
}

std::vector<PaneDrawCommand> CStaWnd::paint(int width, int height) const
{
    width = std::max(0, width);
    height = std::max(0, height);
    std::vector<PaneDrawCommand> commands;
    commands.push_back(PaneDrawCommand{true, 0, 0, width, height, backgroundColour()});
    if (!m_device)
        return commands;
    const std::optional<std::uint32_t> colour = frameColour(m_device->upgradeResult.load());
    if (!colour)
        return commands;
    // A pane narrower than the frame is all frame.
    const int across = std::min(kPaneFrameWidth, width);
    const int down = std::min(kPaneFrameWidth, height);
    commands.push_back(PaneDrawCommand{false, 0, 0, width, down, *colour});
    commands.push_back(PaneDrawCommand{false, width - across, 0, across, height, *colour});
    commands.push_back(PaneDrawCommand{false, 0, height - down, width, down, *colour});
    commands.push_back(PaneDrawCommand{false, 0, 0, across, height, *colour});
    return commands;
}

} // namespace vexlo
