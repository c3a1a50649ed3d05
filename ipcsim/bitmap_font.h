#pragma once

#include <array>
#include <cstdint>

// A small 5 × 7 bitmap font for the simulated cameras' test card: digits,
// letters of both cases and the punctuation that serial numbers and addresses
// use ('.', '-', ':', '_', '/') plus the space. Built in, so the simulator
// needs no font files.
namespace vexlo::ipcsim {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
// One blank column between characters.
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;

struct Glyph
{
    // Row 0 is the top; bit 4 of a row is its leftmost pixel.
    std::array<std::uint8_t, kGlyphHeight> rows{};

    bool pixel(int x, int y) const;
};

// The glyph of `c`, or null when the font lacks it.
const Glyph* findGlyph(char c);
// The glyph of `c`, or a hollow box for a character the font lacks, so an
// unexpected character shows as "something is here" instead of a gap.
const Glyph& glyphOrBox(char c);

} // namespace vexlo::ipcsim
