#pragma once

#include "ipcsim/h264_encoder.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The encoded test card of one camera: a loop of H.264 access units that its
// live streams play over and over. Encoded once per camera (and again only
// when the camera's address, which the picture shows, has changed).
namespace vexlo::ipcsim {

inline constexpr int kVideoFramesPerSecond = 10;
inline constexpr int kKeyFrameInterval = 10; // one key frame a second
// Five seconds; a whole number of key-frame intervals, so the loop's seam
// falls on a key frame and the stream keeps one key frame every second.
inline constexpr int kLoopFrames = 50;
static_assert(kLoopFrames % kKeyFrameInterval == 0);

struct StreamLoop
{
    std::string serial;
    std::string address;
    std::vector<AccessUnit> video; // kLoopFrames units, the first a key frame

    // The heap the loop holds, for the simulator's memory budget.
    std::size_t memoryBytes() const;
};

// Draws and encodes the test card of the camera. Throws EncoderError.
std::shared_ptr<const StreamLoop> encodeStreamLoop(const std::string& serial,
                                                   const std::string& address);

} // namespace vexlo::ipcsim
