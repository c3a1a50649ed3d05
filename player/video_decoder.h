#pragma once

#include "player/rgb_converter.h"
#include "sdk/backend.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace vexlo::player {

// One H.264 decoder: Annex B access units in, RGB pictures out.
class VideoDecoder
{
public:
    struct Result
    {
        bool damaged = false; // the decoder refused the unit or produced a broken picture
        int pictures = 0;     // good pictures the unit produced
        int width = 0;        // the size of the last of them, as decoded
        int height = 0;
    };

    // Nothing when this FFmpeg has no H.264 decoder.
    static std::unique_ptr<VideoDecoder> create();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Decodes one access unit. Converts the good pictures to RGB into `pictures`
    // only when `convert` is set, so a port nobody watches costs no conversion.
    // After a damaged result the decoder is flushed; feed it a key frame next.
    Result decode(const std::uint8_t* data, std::size_t size, bool convert,
                  std::vector<std::shared_ptr<const sdk::RgbPicture>>& pictures);
    // Where the pictures are shown: one much larger is converted scaled down.
    void setBounds(sdk::PictureBounds bounds) { m_bounds = bounds; }

private:
    VideoDecoder() = default;
    bool sendUnit(Result& result, bool convert,
                  std::vector<std::shared_ptr<const sdk::RgbPicture>>& pictures);
    bool receivePictures(Result& result, bool convert,
                         std::vector<std::shared_ptr<const sdk::RgbPicture>>& pictures);

    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    RgbConverter m_converter;
    sdk::PictureBounds m_bounds;
};

} // namespace vexlo::player
