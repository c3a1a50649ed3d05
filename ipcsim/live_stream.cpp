#include "ipcsim/live_stream.h"

#include <algorithm>
#include <string>

namespace vexlo::ipcsim {
namespace {

template <std::size_t N> void writeText(std::array<std::uint8_t, N>& block, std::string_view text)
{
    // Cut to leave at least one zero byte, so a reader of the block as text stops.
    const std::size_t length = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), length, block.begin());
}

double timestampOf(std::uint64_t index)
{
    return static_cast<double>(index) * static_cast<double>(kFrameInterval.count());
}

} // namespace

protocol::PlayHeader makeStreamHeader(std::uint32_t streamId, const CameraSetup& setup,
                                      std::string_view address)
{
    protocol::PlayHeader header;
    header.streamId = streamId;
    header.videoPresent = 1;
    header.audioPresent = 1;
    writeText(header.prefix, std::string(kPlaceholderMark) + "-STREAM");
    writeText(header.videoBlock, std::string(kPlaceholderMark) +
                                     "-VIDEO fps=" + std::to_string(kVideoFramesPerSecond) +
                                     " serial=" + setup.serial + " address=" + std::string(address));
    writeText(header.audioBlock, std::string(kPlaceholderMark) +
                                     "-AUDIO ms=" + std::to_string(kFrameInterval.count()));
    return header;
}

protocol::VideoFrame makeVideoFrame(std::uint32_t streamId, std::uint64_t index,
                                    const CameraSetup& setup, std::string_view address)
{
    protocol::VideoFrame frame;
    frame.streamId = streamId;
    frame.frameValue = index % kVideoFramesPerSecond == 0 ? 1 : 0;
    frame.timestamp = timestampOf(index);
    const std::string text = std::string(kPlaceholderMark) + "-VIDEO " + std::to_string(index) +
                             " " + setup.serial + " " + std::string(address);
    frame.data.assign(text.begin(), text.end());
    return frame;
}

protocol::AudioFrame makeAudioFrame(std::uint32_t streamId, std::uint64_t index)
{
    protocol::AudioFrame frame;
    frame.streamId = streamId;
    frame.timestamp = timestampOf(index);
    const std::string text = std::string(kPlaceholderMark) + "-AUDIO " + std::to_string(index);
    frame.data.assign(text.begin(), text.end());
    return frame;
}

} // namespace vexlo::ipcsim
