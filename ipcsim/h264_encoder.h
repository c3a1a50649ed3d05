#pragma once

#include "ipcsim/yuv_picture.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// Encodes pictures to H.264 with libx264 (through libavcodec) for the
// simulated cameras' live streams: fast and small rather than good, without
// B-frames, and with the SPS and PPS before every key frame so a decoder can
// start at any of them.
namespace vexlo::ipcsim {

// One encoded picture in Annex B form (00 00 00 01 start codes).
struct AccessUnit
{
    std::vector<std::uint8_t> bytes;
    bool key = false; // an IDR picture, with SPS and PPS before it
};

struct H264Settings
{
    int width = 320;
    int height = 180;
    int framesPerSecond = 10;
    int keyFrameInterval = 10; // every this many pictures, starting with the first
};

class EncoderError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Encodes pictures 0 .. frameCount - 1, each drawn by `draw(index)` when the
// encoder wants it (pictures of another size than the settings' are refused),
// into one access unit per picture. Throws EncoderError when libx264 is
// missing or fails.
std::vector<AccessUnit> encodeH264(int frameCount, const std::function<YuvPicture(int)>& draw,
                                   const H264Settings& settings = {});

} // namespace vexlo::ipcsim
