#pragma once

#include "ipcsim/stream_loop.h"
#include "protocol/play_messages.h"

#include <chrono>
#include <cstdint>
#include <string_view>

// What a simulated camera streams in live play: the stream header, then one
// video and one audio frame every 100 ms. The video is the camera's encoded
// test card (H.264, Annex B), looped; the audio is a G.711 A-law tone.
//
// The header blocks, as the player reads them (integers little-endian):
//   video block: "H264" | width u32 | height u32 | frames per second u32 |
//                serial, 32 bytes NUL-padded | zeros
//   audio block: "PCMA" | sample rate u32 | channels u32 | zeros
// The 32-byte prefix is all zeros.
namespace vexlo::ipcsim {

inline constexpr std::chrono::milliseconds kFrameInterval(1000 / kVideoFramesPerSecond);
inline constexpr std::size_t kSerialFieldOffset = 16;
inline constexpr std::size_t kSerialFieldSize = 32;

// The header of a stream of the camera with this serial: video and audio
// present.
protocol::PlayHeader makeStreamHeader(std::uint32_t streamId, std::string_view serial);

// Frame `index` (0, 1, 2, ...) of a stream: access unit index modulo the loop.
// Key frames have frame value 1, the others 0; timestamps are milliseconds of
// the stream.
protocol::VideoFrame makeVideoFrame(std::uint32_t streamId, std::uint64_t index,
                                    const StreamLoop& loop);
protocol::AudioFrame makeAudioFrame(std::uint32_t streamId, std::uint64_t index);

// Whether video frame `index` of a stream over `loop` is a key frame.
bool isKeyFrame(const StreamLoop& loop, std::uint64_t index);

// Which frames of a stream go out while a client falls behind. A client that
// does not keep up loses frames rather than make the camera queue them; the
// video frames after a lost one refer to it, so video resumes only at the next
// key frame (the picture would be broken until then), while sound resumes at
// once.
class FrameSkipper
{
public:
    struct Pick
    {
        bool video = false;
        bool audio = false;
    };
    Pick pick(bool keyFrame, bool clientBehind);

private:
    bool m_awaitKeyFrame = false;
};

} // namespace vexlo::ipcsim
