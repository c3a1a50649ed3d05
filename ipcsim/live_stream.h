#pragma once

#include "ipcsim/scenario.h"
#include "protocol/play_messages.h"

#include <chrono>
#include <cstdint>
#include <string_view>

// What a simulated camera streams in live play: the stream header, then video
// and audio frames at the stream's rate.
//
// PLACEHOLDER: the picture is not real yet. Until the H.264 test card exists,
// the header blocks and every frame carry short marked texts (starting with
// "VXLO-PLACEHOLDER") instead of encoded video and audio, so nothing can take
// them for a real stream. The framing, the sizes of the header blocks and the
// rates are the real ones.
namespace vexlo::ipcsim {

inline constexpr int kVideoFramesPerSecond = 25;
// One audio frame goes with each video frame (40 ms of sound each).
inline constexpr std::chrono::milliseconds kFrameInterval(1000 / kVideoFramesPerSecond);
inline constexpr std::string_view kPlaceholderMark = "VXLO-PLACEHOLDER";

// The header of a stream: video and audio present, the blocks filled with
// marked placeholder texts naming the camera.
protocol::PlayHeader makeStreamHeader(std::uint32_t streamId, const CameraSetup& setup,
                                      std::string_view address);

// Frame `index` (0, 1, 2, ...) of a stream. Every 25th video frame is a key
// frame (frame value 1, the others 0); timestamps are milliseconds of the stream.
protocol::VideoFrame makeVideoFrame(std::uint32_t streamId, std::uint64_t index,
                                    const CameraSetup& setup, std::string_view address);
protocol::AudioFrame makeAudioFrame(std::uint32_t streamId, std::uint64_t index);

} // namespace vexlo::ipcsim
