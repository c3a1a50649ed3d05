#include "player/decoder_objects.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace vexlo::player {

bool openDecoderObjects(AVCodecID id, AVCodecContext*& context, AVPacket*& packet, AVFrame*& frame,
                        const std::function<void(AVCodecContext&)>& configure)
{
    const AVCodec* codec = avcodec_find_decoder(id);
    if (codec == nullptr)
        return false;
    context = avcodec_alloc_context3(codec);
    packet = av_packet_alloc();
    frame = av_frame_alloc();
    if (context == nullptr || packet == nullptr || frame == nullptr)
        return false;
    configure(*context);
    return avcodec_open2(context, codec, nullptr) >= 0;
}

void freeDecoderObjects(AVCodecContext*& context, AVPacket*& packet, AVFrame*& frame)
{
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
}

} // namespace vexlo::player
