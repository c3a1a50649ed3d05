#include "ffmpeg_player.h"

#include "player/stream_header.h"
#include "sdk/player.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vexlo::player {

FfmpegPlayer::~FfmpegPlayer()
{
    std::map<int, std::shared_ptr<PortStream>> ports;
    {
        std::lock_guard lock(m_mutex);
        ports.swap(m_ports);
    }
    for (auto& [port, stream] : ports)
        stream->stop();
}

int FfmpegPlayer::Init()
{
    // Damaged frames from a camera are routine here and are counted per port;
    // FFmpeg's own report of each would flood the terminal.
    av_log_set_level(AV_LOG_FATAL);
    return kPlayerOk;
}

int FfmpegPlayer::OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                             int bufferFrames)
{
    std::optional<VideoStreamHeader> video;
    std::optional<AudioStreamHeader> audio;
    if (kind == ORV_STREAM_VIDEO) {
        video = parseVideoHeader(header, headerLength);
        if (!video)
            return kPlayerBadHeader;
    } else if (kind == ORV_STREAM_AUDIO) {
        audio = parseAudioHeader(header, headerLength);
        if (!audio)
            return kPlayerBadHeader;
    } else {
        return kPlayerBadArgument;
    }

    // Under the table lock, so that a Stop or a second open of the same port
    // sees either no port or a fully made one.
    std::lock_guard lock(m_mutex);
    std::shared_ptr<PortStream> stream;
    const auto found = m_ports.find(port);
    const bool isNew = found == m_ports.end();
    stream = isNew ? std::make_shared<PortStream>(port, m_feedObserver, m_pool) : found->second;

    const int status =
        video ? stream->openVideo(*video, bufferFrames) : stream->openAudio(*audio, bufferFrames);
    if (status != kPlayerOk) {
        if (isNew)
            stream->stop();
        return status;
    }
    if (isNew)
        m_ports.emplace(port, std::move(stream));
    return kPlayerOk;
}

int FfmpegPlayer::Play(int port, sdk::RenderTarget* window)
{
    const auto stream = findPort(port);
    if (!stream)
        return kPlayerUnknownPort;
    stream->setTarget(window);
    return kPlayerOk;
}

int FfmpegPlayer::InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                                 int timestamp)
{
    const auto stream = findPort(port);
    if (!stream)
        return kPlayerUnknownPort;
    return stream->inputVideo(data, length, frameValue, timestamp);
}

int FfmpegPlayer::InputAudioData(int port, const unsigned char* data, int length, int timestamp)
{
    const auto stream = findPort(port);
    if (!stream)
        return kPlayerUnknownPort;
    return stream->inputAudio(data, length, timestamp);
}

int FfmpegPlayer::Stop(int port)
{
    std::shared_ptr<PortStream> stream;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_ports.find(port);
        if (found == m_ports.end())
            return kPlayerUnknownPort;
        stream = std::move(found->second);
        m_ports.erase(found);
    }
    // Outside the table lock: waiting for this port's thread (perhaps inside a
    // slow target) must not hold up the other ports.
    stream->stop();
    return kPlayerOk;
}

std::optional<PortStats> FfmpegPlayer::portStats(int port) const
{
    const auto stream = findPort(port);
    if (!stream)
        return std::nullopt;
    return stream->stats();
}

std::size_t FfmpegPlayer::openPortCount() const
{
    std::lock_guard lock(m_mutex);
    return m_ports.size();
}

void FfmpegPlayer::setFeedObserverForTesting(FeedObserver observer)
{
    std::lock_guard lock(m_mutex);
    m_feedObserver = std::move(observer);
}

std::shared_ptr<PortStream> FfmpegPlayer::findPort(int port) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_ports.find(port);
    return found == m_ports.end() ? nullptr : found->second;
}

} // namespace vexlo::player
