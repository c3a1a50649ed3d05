#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace vexlo::sdk {
class RenderTarget;
}

// One pane of the video wall: a black window that shows one device's live
// picture, framed green when the device's upgrade succeeded and red when it
// failed. Painting yields fill commands that a front end replays in order, on
// top of the picture.
namespace vexlo {
struct _DEVICERECORD;

inline constexpr std::uint32_t kPaneBlack = 0x000000; // 0xRRGGBB
inline constexpr std::uint32_t kPaneGreen = 0x00FF00;
inline constexpr std::uint32_t kPaneRed = 0xFF0000;

// The width of the result frame along each edge.
inline constexpr int kPaneFrameWidth = 5;

struct PaneDrawCommand
{
    bool fillsBackground = false; // the fill under the picture; the rest go on top
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::uint32_t colour = kPaneBlack;
    bool operator==(const PaneDrawCommand&) const = default;
};

class CStaWnd
{
public:
    explicit CStaWnd(_DEVICERECORD* device = nullptr) : m_device(device) {}

    _DEVICERECORD* device() const { return m_device; }
    std::uint32_t backgroundColour() const { return kPaneBlack; }

    // The window the player draws into, supplied by the front end before any
    // play starts; nullptr when nothing draws (the player is then not asked
    // to play into the pane).
    void setRenderTarget(sdk::RenderTarget* target) { m_target.store(target); }
    sdk::RenderTarget* renderTarget() const { return m_target.load(); }

    // The frame colour for an upgrade result: green for 1, red for 2, none otherwise.
    static std::optional<std::uint32_t> frameColour(int upgradeResult);

    // The background fill of a width × height client area, then, for a device
    // with an upgrade result, four bars along the top, right, bottom and left edges.
    std::vector<PaneDrawCommand> paint(int width, int height) const;

private:
    _DEVICERECORD* const m_device;
    std::atomic<sdk::RenderTarget*> m_target{nullptr};
};

} // namespace vexlo
