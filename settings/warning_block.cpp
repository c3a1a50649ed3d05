#include "settings/warning_block.h"

#include "profile/config_profile.h"

#include <cstring>

namespace vexlo {

namespace {

constexpr GridShape kShapes[] = {{4, 4}, {4, 3}, {3, 3}, {3, 2}, {2, 2}, {1, 1}};

} // namespace

WarningBlock::WarningBlock(ConfigProfile& profile) : m_profile(profile)
{
}

GridShape WarningBlock::shapeOf(int sizeIndex)
{
    if (sizeIndex < 0 || sizeIndex >= static_cast<int>(std::size(kShapes)))
        return GridShape{3, 3};
    return kShapes[sizeIndex];
}

void WarningBlock::setClientSize(int width, int height)
{
    m_clientWidth = width;
    m_clientHeight = height;
}

void WarningBlock::layout()
{
    const GridShape shape = shapeOf(m_sizeIndex);
    m_cellCount = shape.columns * shape.rows;
    // Single precision and truncation at each step, as the cells were always
    // laid out: the right and bottom edges build on the truncated left and top.
    m_cellWidth = static_cast<float>(m_clientWidth) / static_cast<float>(shape.columns);
    m_cellHeight = static_cast<float>(m_clientHeight) / static_cast<float>(shape.rows);
    m_rects.fill(GridRect{});
    for (int r = 0; r < shape.rows; ++r) {
        for (int c = 0; c < shape.columns; ++c) {
            GridRect& rect = m_rects[static_cast<std::size_t>(r * shape.columns + c)];
            rect.left = static_cast<int>(static_cast<float>(c) * m_cellWidth + 1.0f);
            rect.top = static_cast<int>(static_cast<float>(r) * m_cellHeight + 1.0f);
            rect.right = static_cast<int>(static_cast<float>(rect.left) + m_cellWidth - 2.0f);
            rect.bottom = static_cast<int>(static_cast<float>(rect.top) + m_cellHeight - 2.0f);
        }
    }
    invalidate();
}

void WarningBlock::loadStates()
{
    static_assert(sizeof(m_profile.motion.regionMask) == kCellCapacity);
    std::memcpy(m_states.data(), m_profile.motion.regionMask, kCellCapacity);
    invalidate();
}

GridRect WarningBlock::cellRect(int cell) const
{
    if (cell < 0 || cell >= kCellCapacity)
        return GridRect{};
    return m_rects[static_cast<std::size_t>(cell)];
}

std::uint8_t WarningBlock::cellState(int cell) const
{
    if (cell < 0 || cell >= kCellCapacity)
        return 0;
    return m_states[static_cast<std::size_t>(cell)];
}

std::vector<DrawCommand> WarningBlock::paint() const
{
    std::vector<DrawCommand> commands;
    commands.push_back(
        {DrawCommand::Kind::FillRect, 0, 0, m_clientWidth, m_clientHeight, kGridBlack});
    for (int cell = 0; cell < m_cellCount; ++cell) {
        const GridRect& r = m_rects[static_cast<std::size_t>(cell)];
        using K = DrawCommand::Kind;
        commands.push_back({K::Line, r.left, r.top, r.right, r.top, kGridRed});
        commands.push_back({K::Line, r.right, r.top, r.right, r.bottom, kGridRed});
        commands.push_back({K::Line, r.right, r.bottom, r.left, r.bottom, kGridRed});
        commands.push_back({K::Line, r.left, r.bottom, r.left, r.top, kGridRed});
        if (m_states[static_cast<std::size_t>(cell)] == 1)
            commands.push_back(
                {K::FillRect, r.left, r.top, r.right - r.left, r.bottom - r.top, kGridGreen});
    }
    return commands;
}

bool WarningBlock::onLButtonDown(int x, int y)
{
    for (int cell = 0; cell < m_cellCount; ++cell) {
        const GridRect& r = m_rects[static_cast<std::size_t>(cell)];
        if (!(r.left < x && x < r.right && r.top < y && y < r.bottom))
            continue;
        std::uint8_t& state = m_states[static_cast<std::size_t>(cell)];
        state = state == 0 ? 1 : 0;
        m_profile.motion.regionMask[cell] = state;
        invalidate();
        return true;
    }
    return false;
}

void WarningBlock::invalidate()
{
    if (m_invalidate)
        m_invalidate();
}

} // namespace vexlo
