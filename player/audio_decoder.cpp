#include "audio_decoder.h"

#include "player/decoder_objects.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <cstring>

namespace vexlo::player {

std::unique_ptr<AudioDecoder> AudioDecoder::create(const AudioStreamHeader& header)
{
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder());
    const bool opened = openDecoderObjects(
        AV_CODEC_ID_PCM_ALAW, decoder->m_context, decoder->m_packet, decoder->m_frame,
        [&](AVCodecContext& context) {
            context.sample_rate = static_cast<int>(header.sampleRate);
            av_channel_layout_default(&context.ch_layout, static_cast<int>(header.channels));
        });
    return opened ? std::move(decoder) : nullptr;
}

AudioDecoder::~AudioDecoder()
{
    freeDecoderObjects(m_context, m_packet, m_frame);
}

int AudioDecoder::decode(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > static_cast<std::size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE) ||
        av_new_packet(m_packet, static_cast<int>(size)) < 0)
        return -1;
    std::memcpy(m_packet->data, data, size);
    const int sent = avcodec_send_packet(m_context, m_packet);
    av_packet_unref(m_packet);
    if (sent < 0)
        return -1;

    int samples = 0;
    for (;;) {
        const int status = avcodec_receive_frame(m_context, m_frame);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return samples;
        if (status < 0)
            return -1;
        samples += m_frame->nb_samples;
        av_frame_unref(m_frame);
    }
}

} // namespace vexlo::player
