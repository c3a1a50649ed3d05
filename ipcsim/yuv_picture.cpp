#include "ipcsim/yuv_picture.h"

#include <algorithm>

namespace vexlo::ipcsim {

YuvPicture::YuvPicture(int width, int height, YuvColour background)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0)),
      m_luma(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height), background.y),
      m_u(static_cast<std::size_t>(chromaWidth()) * static_cast<std::size_t>(chromaHeight()),
          background.u),
      m_v(m_u.size(), background.v)
{
}

void YuvPicture::fill(int x, int y, int width, int height, YuvColour colour)
{
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int right = std::min(x + std::max(width, 0), m_width); // exclusive
    const int bottom = std::min(y + std::max(height, 0), m_height);
    if (left >= right || top >= bottom) {
        return;
    }
    for (int row = top; row < bottom; ++row) {
        auto start = m_luma.begin() + static_cast<std::ptrdiff_t>(row) * m_width;
        std::fill(start + left, start + right, colour.y);
    }
    const int chromaRight = (right - 1) / 2 + 1;
    for (int row = top / 2; row <= (bottom - 1) / 2; ++row) {
        const auto offset = static_cast<std::ptrdiff_t>(row) * chromaWidth();
        std::fill(m_u.begin() + offset + left / 2, m_u.begin() + offset + chromaRight, colour.u);
        std::fill(m_v.begin() + offset + left / 2, m_v.begin() + offset + chromaRight, colour.v);
    }
}

std::uint8_t YuvPicture::luma(int x, int y) const
{
    if (x < 0 || x >= m_width || y < 0 || y >= m_height) {
        return 0;
    }
    return m_luma[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                  static_cast<std::size_t>(x)];
}

} // namespace vexlo::ipcsim
