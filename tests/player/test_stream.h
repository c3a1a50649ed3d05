#pragma once

#include <cstdint>
#include <vector>

// Test streams in the live-stream payload format, made with libx264: a picture
// whose left and right halves are two solid colours, 320 x 180, a key frame
// (with SPS and PPS in front) every 10 frames.
namespace vexlo::player::test {

struct Rgb
{
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

struct EncodedFrame
{
    std::vector<std::uint8_t> data; // one Annex B access unit
    int frameValue = 0;             // 1 for a key frame
    int timestamp = 0;              // the frame's index in the stream
};

inline constexpr int kTestWidth = 320;
inline constexpr int kTestHeight = 180;
inline constexpr int kKeyFrameInterval = 10;

// `count` frames, in order; frame 0 is a key frame. A small moving band keeps
// the frames different, away from the points the tests sample.
std::vector<EncodedFrame> encodeHalves(Rgb left, Rgb right, int count);

// The 536-byte video block and the 276-byte audio block of a stream header.
std::vector<unsigned char> videoHeaderBlock(const char* tag = "H264");
std::vector<unsigned char> audioHeaderBlock(const char* tag = "PCMA",
                                            std::uint32_t sampleRate = 8000,
                                            std::uint32_t channels = 1);

// 100 ms of an A-law tone at 8 kHz mono (800 bytes).
std::vector<std::uint8_t> alawToneFrame(int index);

} // namespace vexlo::player::test
