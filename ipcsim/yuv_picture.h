#pragma once

#include <cstdint>
#include <vector>

// A picture in planar YUV 4:2:0 (the layout H.264 encoders take): a luma plane
// of width × height and two chroma planes of half the width and half the
// height, rounded up.
namespace vexlo::ipcsim {

struct YuvColour
{
    std::uint8_t y = 16;
    std::uint8_t u = 128;
    std::uint8_t v = 128;
};

class YuvPicture
{
public:
    YuvPicture(int width, int height, YuvColour background);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int chromaWidth() const { return (m_width + 1) / 2; }
    int chromaHeight() const { return (m_height + 1) / 2; }

    // Fills the rectangle, cut to the picture. The chroma samples it touches
    // take the colour too, so a rectangle on odd coordinates bleeds by half a
    // chroma sample, as in any 4:2:0 picture.
    void fill(int x, int y, int width, int height, YuvColour colour);
    // The luma at (x, y), 0 outside the picture.
    std::uint8_t luma(int x, int y) const;

    const std::vector<std::uint8_t>& lumaPlane() const { return m_luma; }
    const std::vector<std::uint8_t>& uPlane() const { return m_u; }
    const std::vector<std::uint8_t>& vPlane() const { return m_v; }

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_luma;
    std::vector<std::uint8_t> m_u;
    std::vector<std::uint8_t> m_v;
};

} // namespace vexlo::ipcsim
