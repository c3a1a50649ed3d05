#include "ipcsim/h264_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace vexlo::ipcsim {
namespace {

struct ContextDeleter
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using ContextPtr = std::unique_ptr<AVCodecContext, ContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

[[noreturn]] void fail(const std::string& what, int error = 0)
{
    std::string text = "H.264 encoder: " + what;
    if (error != 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(error, reason, sizeof reason);
        text += ": ";
        text += reason;
    }
    throw EncoderError(text);
}

void setOption(AVCodecContext& context, const char* name, const char* value)
{
    const int error = av_opt_set(context.priv_data, name, value, 0);
    if (error < 0) {
        fail(std::string("option ") + name + "=" + value, error);
    }
}

ContextPtr openEncoder(const H264Settings& settings)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) {
        fail("libx264 is not available in this libavcodec");
    }
    ContextPtr context(avcodec_alloc_context3(codec));
    if (!context) {
        fail("out of memory");
    }
    context->width = settings.width;
    context->height = settings.height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, settings.framesPerSecond};
    context->framerate = AVRational{settings.framesPerSecond, 1};
    context->gop_size = settings.keyFrameInterval;
    context->keyint_min = settings.keyFrameInterval;
    context->max_b_frames = 0;
    // One thread: 250 cameras encode on the simulator's own threads, and a
    // thread pool per encoder would only cost memory and start-up time.
    context->thread_count = 1;
    // No AV_CODEC_FLAG_GLOBAL_HEADER: the SPS and PPS stay in the stream.
    setOption(*context, "preset", "ultrafast");
    setOption(*context, "tune", "zerolatency");
    setOption(*context, "profile", "baseline");
    setOption(*context, "forced-idr", "1");
    // Key frames exactly every keyFrameInterval pictures (no extra ones at a
    // scene cut), each an IDR picture with SPS and PPS before it; only
    // warnings and errors logged, not ten lines of statistics per camera.
    setOption(*context, "x264-params", "repeat-headers=1:scenecut=0:open-gop=0:log=1");
    const int error = avcodec_open2(context.get(), codec, nullptr);
    if (error < 0) {
        fail("cannot open libx264", error);
    }
    return context;
}

void copyPlane(const std::vector<std::uint8_t>& plane, int width, int height, std::uint8_t* out,
               int stride)
{
    for (int row = 0; row < height; ++row) {
        std::memcpy(out + static_cast<std::ptrdiff_t>(row) * stride,
                    plane.data() + static_cast<std::ptrdiff_t>(row) * width,
                    static_cast<std::size_t>(width));
    }
}

void fillFrame(AVFrame& frame, const YuvPicture& picture)
{
    const int error = av_frame_make_writable(&frame);
    if (error < 0) {
        fail("frame buffer", error);
    }
    copyPlane(picture.lumaPlane(), picture.width(), picture.height(), frame.data[0],
              frame.linesize[0]);
    copyPlane(picture.uPlane(), picture.chromaWidth(), picture.chromaHeight(), frame.data[1],
              frame.linesize[1]);
    copyPlane(picture.vPlane(), picture.chromaWidth(), picture.chromaHeight(), frame.data[2],
              frame.linesize[2]);
}

// Moves every packet the encoder has ready into `units`.
void drain(AVCodecContext& context, AVPacket& packet, std::vector<AccessUnit>& units)
{
    for (;;) {
        const int error = avcodec_receive_packet(&context, &packet);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) {
            return;
        }
        if (error < 0) {
            fail("encoding", error);
        }
        AccessUnit unit;
        unit.bytes.assign(packet.data, packet.data + packet.size);
        unit.key = (packet.flags & AV_PKT_FLAG_KEY) != 0;
        units.push_back(std::move(unit));
        av_packet_unref(&packet);
    }
}

} // namespace

std::vector<AccessUnit> encodeH264(int frameCount, const std::function<YuvPicture(int)>& draw,
                                   const H264Settings& settings)
{
    if (settings.width <= 0 || settings.height <= 0 || settings.width % 2 != 0 ||
        settings.height % 2 != 0 || settings.framesPerSecond <= 0 ||
        settings.keyFrameInterval <= 0) {
        fail("unusable settings");
    }
    ContextPtr context = openEncoder(settings);
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!frame || !packet) {
        fail("out of memory");
    }
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = settings.width;
    frame->height = settings.height;
    if (const int error = av_frame_get_buffer(frame.get(), 0); error < 0) {
        fail("frame buffer", error);
    }

    std::vector<AccessUnit> units;
    units.reserve(static_cast<std::size_t>(std::max(frameCount, 0)));
    for (int index = 0; index < frameCount; ++index) {
        const YuvPicture picture = draw(index);
        if (picture.width() != settings.width || picture.height() != settings.height) {
            fail("picture " + std::to_string(index) + " has the wrong size");
        }
        fillFrame(*frame, picture);
        frame->pts = index;
        // Ask for the key frames rather than trust the encoder's count.
        frame->pict_type =
            index % settings.keyFrameInterval == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        if (const int error = avcodec_send_frame(context.get(), frame.get()); error < 0) {
            fail("encoding", error);
        }
        drain(*context, *packet, units);
    }
    if (const int error = avcodec_send_frame(context.get(), nullptr); error < 0) {
        fail("flushing", error);
    }
    drain(*context, *packet, units);
    return units;
}

} // namespace vexlo::ipcsim
