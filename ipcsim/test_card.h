#pragma once

#include "ipcsim/yuv_picture.h"

#include <string>

// The picture a simulated camera streams: on a dark background its serial
// number and address in large characters, so a person can tell the cameras of
// a video wall apart, and a box that crosses the picture once per loop above a
// frame counter, so the same person sees that the picture is live.
namespace vexlo::ipcsim {

// Where a line of text lies in the picture, and how it was drawn.
struct TextArea
{
    std::string text; // as drawn: cut to fit the picture's width
    int x = 0;
    int y = 0;
    int scale = 1; // each font pixel is scale × scale picture pixels
    int width = 0;
    int height = 0;
};

class TestCard
{
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 180;
    static constexpr int kMarkerSize = 24;
    static constexpr YuvColour kBackground{24, 136, 124};
    static constexpr YuvColour kText{235, 128, 128};

    // loopFrames (at least 1) is the number of frames after which the picture
    // repeats.
    TestCard(const std::string& serial, const std::string& address, int loopFrames);

    int loopFrames() const { return m_loopFrames; }
    // Frame `frame` of the loop (taken modulo the loop length).
    YuvPicture draw(int frame) const;

    const TextArea& serialArea() const { return m_serial; }
    const TextArea& addressArea() const { return m_address; }
    // The moving box of frame `frame`: its left edge; its top is markerTop().
    int markerLeft(int frame) const;
    static int markerTop();

private:
    int m_loopFrames;
    TextArea m_serial;
    TextArea m_address;
};

// Draws `text` with the built-in font, top left at (x, y), each font pixel
// scale × scale picture pixels; what falls outside the picture is cut.
void drawText(YuvPicture& picture, const std::string& text, int x, int y, int scale,
              YuvColour colour);

} // namespace vexlo::ipcsim
