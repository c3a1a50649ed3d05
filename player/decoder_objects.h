#pragma once

#include <functional>

extern "C" {
#include <libavcodec/avcodec.h>
}

// What every decoder of the player holds: a codec context, a packet and a
// frame, allocated and opened in one place and freed in one place.
namespace vexlo::player {

// Allocates the three for the decoder `id` and opens the context after
// `configure` has set it up. False when this FFmpeg lacks the decoder or
// memory ran out; what was allocated is left for freeDecoderObjects.
bool openDecoderObjects(AVCodecID id, AVCodecContext*& context, AVPacket*& packet, AVFrame*& frame,
                        const std::function<void(AVCodecContext&)>& configure);
void freeDecoderObjects(AVCodecContext*& context, AVPacket*& packet, AVFrame*& frame);

} // namespace vexlo::player
