#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The motion page's region grid: a grid of up to 4 × 4 cells drawn on a black
// ground, each cell outlined red and filled green when selected. A click
// inside a cell toggles it and writes its state into the profile's region mask
// at once. Painting yields drawing commands that a front end replays in order.
namespace vexlo {

struct ConfigProfile;

struct GridRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const GridRect&) const = default;
};

inline constexpr std::uint32_t kGridBlack = 0x000000;
inline constexpr std::uint32_t kGridRed = 0xFF0000; // 0xRRGGBB
inline constexpr std::uint32_t kGridGreen = 0x00FF00;

struct DrawCommand
{
    enum class Kind
    {
        FillRect, // a, b = left, top; c, d = width, height
        Line,     // from (a, b) to (c, d), one pixel wide
    };
    Kind kind = Kind::FillRect;
    int a = 0;
    int b = 0;
    int c = 0;
    int d = 0;
    std::uint32_t colour = kGridBlack;
    bool operator==(const DrawCommand&) const = default;
};

struct GridShape
{
    int columns = 3;
    int rows = 3;
};

class WarningBlock
{
public:
    static constexpr int kCellCapacity = 64;
    // Where the page places the grid, in page client pixels.
    static constexpr int kLeft = 370;
    static constexpr int kTop = 50;
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 220;

    explicit WarningBlock(ConfigProfile& profile);

    // The columns and rows for a size index of list 1023; 3 × 3 for an index
    // the list does not have.
    static GridShape shapeOf(int sizeIndex);

    void setClientSize(int width, int height);
    void setSizeIndex(int sizeIndex) { m_sizeIndex = sizeIndex; }
    int sizeIndex() const { return m_sizeIndex; }

    // Recomputes the cell rectangles for the size index; the states stay.
    void layout();
    // Takes the states from the profile's region mask.
    void loadStates();

    int cellCount() const { return m_cellCount; }
    float cellWidth() const { return m_cellWidth; }
    float cellHeight() const { return m_cellHeight; }
    GridRect cellRect(int cell) const;
    std::uint8_t cellState(int cell) const;

    std::vector<DrawCommand> paint() const;

    // Toggles the cell that strictly contains the point and stores its state in
    // the region mask. Returns false when the point is in no cell.
    bool onLButtonDown(int x, int y);

    // Called whenever the grid needs a repaint.
    void setInvalidate(std::function<void()> invalidate) { m_invalidate = std::move(invalidate); }

private:
    void invalidate();

    ConfigProfile& m_profile;
    int m_sizeIndex = 0;
    int m_cellCount = 0;
    std::array<std::uint8_t, kCellCapacity> m_states{};
    std::array<GridRect, kCellCapacity> m_rects{};
    int m_clientWidth = kWidth;
    int m_clientHeight = kHeight;
    float m_cellWidth = 0;
    float m_cellHeight = 0;
    std::function<void()> m_invalidate;
};

} // namespace vexlo
