#include "media_decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <memory>
#include <stdexcept>

namespace simtest {
namespace {

struct Codec
{
    explicit Codec(AVCodecID id)
    {
        const AVCodec* codec = avcodec_find_decoder(id);
        if (codec == nullptr) {
            throw std::runtime_error("no decoder");
        }
        context = avcodec_alloc_context3(codec);
        if (id == AV_CODEC_ID_PCM_ALAW) {
            context->sample_rate = 8000;
            av_channel_layout_default(&context->ch_layout, 1);
        }
        context->flags |= AV_CODEC_FLAG_LOW_DELAY;
        if (avcodec_open2(context, codec, nullptr) < 0) {
            avcodec_free_context(&context);
            throw std::runtime_error("cannot open decoder");
        }
        frame = av_frame_alloc();
        packet = av_packet_alloc();
    }
    ~Codec()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
    }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    // Sends `bytes` (or the end of the stream when empty) and calls `take`
    // with each frame that comes out.
    template <typename Take> void feed(std::span<const std::uint8_t> bytes, Take take)
    {
        if (bytes.empty()) {
            avcodec_send_packet(context, nullptr);
        } else {
            av_new_packet(packet, static_cast<int>(bytes.size()));
            std::copy(bytes.begin(), bytes.end(), packet->data);
            avcodec_send_packet(context, packet);
            av_packet_unref(packet);
        }
        while (avcodec_receive_frame(context, frame) == 0) {
            take(*frame);
            av_frame_unref(frame);
        }
    }

    AVCodecContext* context = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
};

} // namespace

std::vector<DecodedPicture> decodeH264(const std::vector<std::vector<std::uint8_t>>& units)
{
    Codec codec(AV_CODEC_ID_H264);
    std::vector<DecodedPicture> pictures;
    const auto take = [&pictures](const AVFrame& frame) {
        DecodedPicture picture;
        picture.width = frame.width;
        picture.height = frame.height;
        for (int y = 0; y < frame.height; ++y) {
            const std::uint8_t* row =
                frame.data[0] + static_cast<std::ptrdiff_t>(y) * frame.linesize[0];
            picture.luma.insert(picture.luma.end(), row, row + frame.width);
        }
        pictures.push_back(std::move(picture));
    };
    for (const auto& unit : units) {
        codec.feed(unit, take);
    }
    codec.feed({}, take);
    return pictures;
}

std::vector<std::int16_t> decodeAlaw(std::span<const std::uint8_t> bytes)
{
    Codec codec(AV_CODEC_ID_PCM_ALAW);
    std::vector<std::int16_t> samples;
    codec.feed(bytes, [&samples](const AVFrame& frame) {
        const auto* data = reinterpret_cast<const std::int16_t*>(frame.data[0]);
        samples.insert(samples.end(), data, data + frame.nb_samples);
    });
    return samples;
}

std::vector<int> nalTypes(std::span<const std::uint8_t> unit)
{
    std::vector<int> types;
    for (std::size_t i = 0; i + 3 < unit.size(); ++i) {
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1) {
            types.push_back(unit[i + 3] & 0x1F);
            i += 2;
        }
    }
    return types;
}

} // namespace simtest
