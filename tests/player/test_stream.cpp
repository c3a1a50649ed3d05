#include "test_stream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>

#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace vexlo::player::test {
namespace {

void fillHalves(std::vector<std::uint8_t>& rgb, Rgb left, Rgb right, int index)
{
    for (int y = 0; y < kTestHeight; ++y) {
        for (int x = 0; x < kTestWidth; ++x) {
            Rgb c = x < kTestWidth / 2 ? left : right;
            // A grey band that walks down the top 16 rows, so frames differ.
            if (y < 16 && (x / 16) == index % (kTestWidth / 16))
                c = Rgb{128, 128, 128};
            std::uint8_t* p = &rgb[static_cast<std::size_t>((y * kTestWidth + x) * 3)];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
}

void require(bool condition, const char* what)
{
    if (!condition)
        throw std::runtime_error(what);
}

void collect(AVCodecContext* context, AVPacket* packet, std::vector<EncodedFrame>& out)
{
    while (avcodec_receive_packet(context, packet) == 0) {
        EncodedFrame frame;
        frame.data.assign(packet->data, packet->data + packet->size);
        frame.frameValue = (packet->flags & AV_PKT_FLAG_KEY) != 0 ? 1 : 0;
        frame.timestamp = static_cast<int>(out.size());
        out.push_back(std::move(frame));
        av_packet_unref(packet);
    }
}

void putU32(std::vector<unsigned char>& block, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint8_t linearToAlaw(int sample)
{
    int sign = sample >= 0 ? 0x80 : 0;
    int magnitude = sample >= 0 ? sample : -sample - 1;
    magnitude = magnitude > 32767 ? 32767 : magnitude;
    int exponent = 7;
    for (int mask = 0x4000; (magnitude & mask) == 0 && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (magnitude >> (exponent == 0 ? 4 : exponent + 3)) & 0x0f;
    return static_cast<std::uint8_t>((sign | (exponent << 4) | mantissa) ^ 0x55);
}

} // namespace

std::vector<EncodedFrame> encodeHalves(Rgb left, Rgb right, int count)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    require(codec != nullptr, "libavcodec has no libx264 encoder");
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = kTestWidth;
    context->height = kTestHeight;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 10};
    context->framerate = AVRational{10, 1};
    context->gop_size = kKeyFrameInterval;
    context->max_b_frames = 0;
    av_opt_set(context->priv_data, "preset", "ultrafast", 0);
    av_opt_set(context->priv_data, "tune", "zerolatency", 0);
    av_opt_set(context->priv_data, "x264-params",
               "repeat-headers=1:keyint=10:min-keyint=10:scenecut=0", 0);
    require(avcodec_open2(context, codec, nullptr) == 0, "libx264 did not open");

    AVFrame* yuv = av_frame_alloc();
    yuv->format = AV_PIX_FMT_YUV420P;
    yuv->width = kTestWidth;
    yuv->height = kTestHeight;
    require(av_frame_get_buffer(yuv, 0) == 0, "no frame buffer");
    SwsContext* toYuv =
        sws_getContext(kTestWidth, kTestHeight, AV_PIX_FMT_RGB24, kTestWidth, kTestHeight,
                       AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    AVPacket* packet = av_packet_alloc();

    std::vector<EncodedFrame> frames;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kTestWidth * kTestHeight * 3));
    for (int i = 0; i < count; ++i) {
        fillHalves(rgb, left, right, i);
        require(av_frame_make_writable(yuv) == 0, "frame not writable");
        const std::uint8_t* src[1] = {rgb.data()};
        const int srcStride[1] = {kTestWidth * 3};
        sws_scale(toYuv, src, srcStride, 0, kTestHeight, yuv->data, yuv->linesize);
        yuv->pts = i;
        require(avcodec_send_frame(context, yuv) == 0, "encoder refused a frame");
        collect(context, packet, frames);
    }
    avcodec_send_frame(context, nullptr);
    collect(context, packet, frames);

    av_packet_free(&packet);
    sws_freeContext(toYuv);
    av_frame_free(&yuv);
    avcodec_free_context(&context);
    require(static_cast<int>(frames.size()) == count, "encoder lost frames");
    return frames;
}

std::vector<unsigned char> videoHeaderBlock(const char* tag)
{
    std::vector<unsigned char> block(536, 0);
    std::memcpy(block.data(), tag, 4);
    putU32(block, 4, kTestWidth);
    putU32(block, 8, kTestHeight);
    putU32(block, 12, 10);
    const char serial[] = "IPC20261207000001";
    std::memcpy(block.data() + 16, serial, sizeof serial - 1);
    return block;
}

std::vector<unsigned char> audioHeaderBlock(const char* tag, std::uint32_t sampleRate,
                                            std::uint32_t channels)
{
    std::vector<unsigned char> block(276, 0);
    std::memcpy(block.data(), tag, 4);
    putU32(block, 4, sampleRate);
    putU32(block, 8, channels);
    return block;
}

std::vector<std::uint8_t> alawToneFrame(int index)
{
    std::vector<std::uint8_t> samples(800);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(static_cast<std::size_t>(index) * 800 + i) / 8000.0;
        samples[i] = linearToAlaw(static_cast<int>(8000.0 * std::sin(2.0 * M_PI * 440.0 * t)));
    }
    return samples;
}

} // namespace vexlo::player::test
