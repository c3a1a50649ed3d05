#include "audio_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <cstring>

namespace vexlo::player {

std::unique_ptr<AudioDecoder> AudioDecoder::create(const AudioStreamHeader& header)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PCM_ALAW);
    if (codec == nullptr)
        return nullptr;

    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder());
    decoder->m_context = avcodec_alloc_context3(codec);
    decoder->m_packet = av_packet_alloc();
    decoder->m_frame = av_frame_alloc();
    if (decoder->m_context == nullptr || decoder->m_packet == nullptr ||
        decoder->m_frame == nullptr)
        return nullptr;

    decoder->m_context->sample_rate = static_cast<int>(header.sampleRate);
    av_channel_layout_default(&decoder->m_context->ch_layout, static_cast<int>(header.channels));
    if (avcodec_open2(decoder->m_context, codec, nullptr) < 0)
        return nullptr;
    return decoder;
}

AudioDecoder::~AudioDecoder()
{
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_context);
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
