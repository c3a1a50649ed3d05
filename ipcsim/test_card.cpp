#include "ipcsim/test_card.h"

#include "ipcsim/bitmap_font.h"

#include <algorithm>
#include <cstdio>

namespace vexlo::ipcsim {
namespace {

constexpr int kMargin = 8;
constexpr int kLargestScale = 4;
constexpr int kSerialTop = 22;
constexpr int kAddressTop = 66;
constexpr int kMarkerTop = 110;
constexpr int kTrackHeight = 2;
constexpr int kCounterTop = 150;
constexpr int kCounterScale = 2;
constexpr YuvColour kMarker{170, 44, 180}; // orange
constexpr YuvColour kTrack{60, 128, 128};
constexpr YuvColour kCounter{180, 128, 128};

int textWidth(std::size_t characters, int scale)
{
    return characters == 0 ? 0 : static_cast<int>(characters) * kGlyphAdvance * scale - scale;
}

// The largest scale at which `text` fits the width between the margins; a
// text too long even at scale 1 is cut. The line is centred in a box of the
// height of the largest scale, so both lines keep their places whatever their
// lengths.
TextArea layOutLine(const std::string& text, int boxTop)
{
    constexpr int available = TestCard::kWidth - 2 * kMargin;
    TextArea area;
    area.text = text.substr(0, static_cast<std::size_t>((available + 1) / kGlyphAdvance));
    area.scale = kLargestScale;
    while (area.scale > 1 && textWidth(area.text.size(), area.scale) > available) {
        --area.scale;
    }
    area.width = textWidth(area.text.size(), area.scale);
    area.height = kGlyphHeight * area.scale;
    area.x = (TestCard::kWidth - area.width) / 2;
    area.y = boxTop + (kGlyphHeight * kLargestScale - area.height) / 2;
    return area;
}

} // namespace

TestCard::TestCard(const std::string& serial, const std::string& address, int loopFrames)
    : m_loopFrames(std::max(loopFrames, 1)), m_serial(layOutLine(serial, kSerialTop)),
      m_address(layOutLine(address, kAddressTop))
{
}

YuvPicture TestCard::draw(int frame) const
{
    const int index = ((frame % m_loopFrames) + m_loopFrames) % m_loopFrames;
    YuvPicture picture(kWidth, kHeight, kBackground);
    drawText(picture, m_serial.text, m_serial.x, m_serial.y, m_serial.scale, kText);
    drawText(picture, m_address.text, m_address.x, m_address.y, m_address.scale, kText);

    picture.fill(0, kMarkerTop + (kMarkerSize - kTrackHeight) / 2, kWidth, kTrackHeight, kTrack);
    picture.fill(markerLeft(index), kMarkerTop, kMarkerSize, kMarkerSize, kMarker);

    char counter[32];
    std::snprintf(counter, sizeof counter, "%02d/%02d", index + 1, m_loopFrames);
    drawText(picture, counter, kMargin, kCounterTop, kCounterScale, kCounter);
    return picture;
}

int TestCard::markerLeft(int frame) const
{
    const int index = ((frame % m_loopFrames) + m_loopFrames) % m_loopFrames;
    const int travel = kWidth - kMarkerSize;
    const int left = m_loopFrames == 1 ? 0 : index * travel / (m_loopFrames - 1);
    return left & ~1; // even, so the box covers whole chroma samples
}

int TestCard::markerTop()
{
    return kMarkerTop;
}

void drawText(YuvPicture& picture, const std::string& text, int x, int y, int scale,
              YuvColour colour)
{
    scale = std::clamp(scale, 1, 64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = glyphOrBox(text[i]);
        const long long left = x + static_cast<long long>(i) * kGlyphAdvance * scale;
        if (left >= picture.width()) {
            return; // the rest is cut
        }
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < kGlyphWidth; ++column) {
                if (glyph.pixel(column, row)) {
                    picture.fill(static_cast<int>(left) + column * scale, y + row * scale, scale,
                                 scale, colour);
                }
            }
        }
    }
}

} // namespace vexlo::ipcsim
