#include "video_decoder.h"

#include "player/decoder_objects.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstring>

namespace vexlo::player {
namespace {

// A bogus parameter set in a damaged unit could ask for a huge picture; nothing
// a camera on this wall sends is larger than 4K.
constexpr std::int64_t kMaxPixels = 4096LL * 2304LL;

} // namespace

std::unique_ptr<VideoDecoder> VideoDecoder::create()
{
    std::unique_ptr<VideoDecoder> decoder(new VideoDecoder());
    const bool opened = openDecoderObjects(AV_CODEC_ID_H264, decoder->m_context, decoder->m_packet,
                                           decoder->m_frame, [](AVCodecContext& context) {
                                               // No threads of its own: the player's decode pool
                                               // already keeps every core busy across the streams
                                               // of a wall, and frame threads would also hold
                                               // pictures back by a frame each.
                                               context.thread_count = 1;
                                               context.flags |= AV_CODEC_FLAG_LOW_DELAY;
                                               context.max_pixels = kMaxPixels;
                                           });
    return opened ? std::move(decoder) : nullptr;
}

VideoDecoder::~VideoDecoder()
{
    freeDecoderObjects(m_context, m_packet, m_frame);
}

VideoDecoder::Result
VideoDecoder::decode(const std::uint8_t* data, std::size_t size, bool convert,
                     std::vector<std::shared_ptr<const sdk::RgbPicture>>& pictures)
{
    Result result;
    // av_new_packet adds the zeroed padding the bitstream reader may read past the end.
    if (size == 0 || size > static_cast<std::size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE) ||
        av_new_packet(m_packet, static_cast<int>(size)) < 0) {
        result.damaged = true;
        return result;
    }
    std::memcpy(m_packet->data, data, size);

    if (!sendUnit(result, convert, pictures))
        result.damaged = true;
    av_packet_unref(m_packet);

    if (result.damaged)
        avcodec_flush_buffers(m_context);
    return result;
}

bool VideoDecoder::sendUnit(Result& result, bool convert,
                            std::vector<std::shared_ptr<const sdk::RgbPicture>>& pictures)
{
    int status = avcodec_send_packet(m_context, m_packet);
    if (status == AVERROR(EAGAIN)) {
        // The decoder still holds output: take it, then the unit fits.
        if (!receivePictures(result, convert, pictures))
            return false;
        status = avcodec_send_packet(m_context, m_packet);
    }
    if (status < 0)
        return false;
    return receivePictures(result, convert, pictures);
}

bool VideoDecoder::receivePictures(Result& result, bool convert,
                                   std::vector<std::shared_ptr<const sdk::RgbPicture>>& pictures)
{
    for (;;) {
        const int status = avcodec_receive_frame(m_context, m_frame);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF)
            return true;
        if (status < 0)
            return false;

        const bool broken =
            (m_frame->flags & AV_FRAME_FLAG_CORRUPT) != 0 || m_frame->decode_error_flags != 0;
        if (broken) {
            av_frame_unref(m_frame);
            return false;
        }
        ++result.pictures;
        result.width = m_frame->width;
        result.height = m_frame->height;
        if (convert) {
            if (auto picture = m_converter.convert(*m_frame, m_bounds))
                pictures.push_back(std::move(picture));
        }
        av_frame_unref(m_frame);
    }
}

} // namespace vexlo::player
