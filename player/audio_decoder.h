#pragma once

#include "player/stream_header.h"

#include <cstddef>
#include <cstdint>
#include <memory>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace vexlo::player {

// One G.711 A-law decoder. The samples are decoded (so a stream can be counted
// and checked) but not played.
class AudioDecoder
{
public:
    // Nothing when this FFmpeg has no A-law decoder or refuses the format.
    static std::unique_ptr<AudioDecoder> create(const AudioStreamHeader& header);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Samples per channel the frame gave, or -1 when it did not decode.
    int decode(const std::uint8_t* data, std::size_t size);

private:
    AudioDecoder() = default;

    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
};

} // namespace vexlo::player
