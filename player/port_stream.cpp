#include "port_stream.h"

#include "player/player_result.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vexlo::player {
namespace {

std::size_t boundedFrameCount(int bufferFrames)
{
    return static_cast<std::size_t>(std::clamp(bufferFrames, kMinBufferFrames, kMaxBufferFrames));
}

int checkFrameArguments(const unsigned char* data, int length)
{
    if (data == nullptr || length <= 0)
        return kPlayerBadArgument;
    if (length > kMaxFrameBytes)
        return kPlayerFrameTooLarge;
    return kPlayerOk;
}

QueuedFrame copyFrame(const unsigned char* data, int length, int frameValue, int timestamp)
{
    QueuedFrame frame;
    frame.data.assign(data, data + length);
    frame.frameValue = frameValue;
    frame.timestamp = timestamp;
    return frame;
}

} // namespace

PortStream::PortStream(int port, FeedObserver observer)
    : m_port(port), m_observer(std::move(observer))
{
}

PortStream::~PortStream()
{
    stop();
}

int PortStream::openVideo(const VideoStreamHeader& /*header*/, int bufferFrames)
{
    // The header's size and rate are not needed: pictures come out at the size
    // the stream itself carries, and a live view shows each as soon as it decodes.
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return kPlayerUnknownPort; // stopped while this call was on its way
    if (m_videoDecoder)
        return kPlayerAlreadyOpen;
    auto decoder = VideoDecoder::create();
    if (!decoder)
        return kPlayerNoDecoder;
    m_videoDecoder = std::move(decoder);
    m_videoQueue.emplace(boundedFrameCount(bufferFrames),
                         static_cast<std::size_t>(kMaxQueuedVideoBytes));
    startThreadLocked();
    return kPlayerOk;
}

int PortStream::openAudio(const AudioStreamHeader& header, int bufferFrames)
{
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return kPlayerUnknownPort; // stopped while this call was on its way
    if (m_audioDecoder)
        return kPlayerAlreadyOpen;
    auto decoder = AudioDecoder::create(header);
    if (!decoder)
        return kPlayerNoDecoder;
    m_audioDecoder = std::move(decoder);
    m_audioQueue.emplace(boundedFrameCount(bufferFrames));
    startThreadLocked();
    return kPlayerOk;
}

void PortStream::startThreadLocked()
{
    if (m_thread.joinable())
        return;
    // The thread keeps its stream alive, so that a Stop made from inside a
    // target's presentPicture (on this very thread) cannot free it under itself.
    m_thread = std::thread([self = shared_from_this()] { self->run(); });
}

void PortStream::setTarget(sdk::RenderTarget* target)
{
    std::lock_guard lock(m_presentMutex);
    m_target = target;
    m_watched.store(target != nullptr, std::memory_order_release);
}

int PortStream::inputVideo(const unsigned char* data, int length, int frameValue, int timestamp)
{
    if (const int status = checkFrameArguments(data, length); status != kPlayerOk)
        return status;
    // Copy before taking the lock: the decode thread waits on it for its next frame.
    QueuedFrame frame = copyFrame(data, length, frameValue, timestamp);
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return kPlayerUnknownPort; // stopped while this call was on its way
        if (!m_videoQueue)
            return kPlayerNotOpen;
        // A dropped frame is still a frame the caller handed over correctly.
        if (!m_videoQueue->push(std::move(frame)))
            return kPlayerOk;
    }
    m_wake.notify_one();
    return kPlayerOk;
}

int PortStream::inputAudio(const unsigned char* data, int length, int timestamp)
{
    if (const int status = checkFrameArguments(data, length); status != kPlayerOk)
        return status;
    QueuedFrame frame = copyFrame(data, length, 0, timestamp);
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return kPlayerUnknownPort; // stopped while this call was on its way
        if (!m_audioQueue)
            return kPlayerNotOpen;
        m_audioQueue->push(std::move(frame));
    }
    m_wake.notify_one();
    return kPlayerOk;
}

void PortStream::stop()
{
    std::thread thread;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        thread = std::move(m_thread);
    }
    m_stopRequested.store(true, std::memory_order_release);
    m_wake.notify_all();
    if (!thread.joinable())
        return;
    if (thread.get_id() == std::this_thread::get_id()) {
        // Stopped from a target called by this thread: it ends on its own once
        // the call returns, and holds the stream until then.
        thread.detach();
        return;
    }
    thread.join();
}

PortStats PortStream::stats() const
{
    PortStats stats;
    {
        std::lock_guard lock(m_mutex);
        if (m_videoQueue) {
            stats.videoQueued = m_videoQueue->size();
            stats.videoQueueCapacity = m_videoQueue->capacity();
            stats.videoQueuePeak = m_videoQueue->peakSize();
            stats.videoFramesDropped = m_videoQueue->droppedCount();
        }
        if (m_audioQueue)
            stats.audioFramesDropped = m_audioQueue->droppedCount();
    }
    stats.videoFramesSkipped = m_videoSkipped.load();
    stats.videoFramesFed = m_videoFed.load();
    stats.videoFramesRejected = m_videoRejected.load();
    stats.picturesDecoded = m_picturesDecoded.load();
    stats.picturesPresented = m_picturesPresented.load();
    stats.audioFramesRejected = m_audioRejected.load();
    stats.audioFramesDecoded = m_audioDecoded.load();
    stats.audioSamplesDecoded = m_audioSamples.load();
    return stats;
}

void PortStream::run()
{
    for (;;) {
        std::optional<QueuedFrame> video;
        std::optional<QueuedFrame> audio;
        if (!takeWork(video, audio))
            return;
        if (audio)
            decodeAudio(*audio);
        if (video)
            decodeVideo(*video);
    }
}

bool PortStream::takeWork(std::optional<QueuedFrame>& video, std::optional<QueuedFrame>& audio)
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] {
        return m_stopping || (m_videoQueue && !m_videoQueue->empty()) ||
               (m_audioQueue && !m_audioQueue->empty());
    });
    if (m_stopping)
        return false;
    // One of each per round, so neither kind starves the other.
    if (m_videoQueue)
        video = m_videoQueue->pop();
    if (m_audioQueue)
        audio = m_audioQueue->pop();
    return true;
}

void PortStream::decodeVideo(const QueuedFrame& frame)
{
    // The decoder starts, and restarts after damage, only at a key frame: a
    // frame whose reference it never saw would come out as a smeared picture.
    if (m_decoderNeedsKeyFrame && !frame.isKeyFrame()) {
        ++m_videoSkipped;
        return;
    }
    if (m_observer)
        m_observer(m_port, frame.frameValue, frame.timestamp);

    // Set once under m_mutex before this thread could see the frame, never
    // replaced while the thread runs.
    VideoDecoder& decoder = *m_videoDecoder;
    std::vector<std::shared_ptr<const sdk::RgbPicture>> pictures;
    const bool convert = m_watched.load(std::memory_order_acquire);
    const VideoDecoder::Result result =
        decoder.decode(frame.data.data(), frame.data.size(), convert, pictures);
    ++m_videoFed;
    m_picturesDecoded += static_cast<std::uint64_t>(result.pictures);
    if (result.damaged) {
        ++m_videoRejected;
        m_decoderNeedsKeyFrame = true;
    } else if (frame.isKeyFrame()) {
        m_decoderNeedsKeyFrame = false;
    }

    for (auto& picture : pictures) {
        std::lock_guard lock(m_presentMutex);
        if (m_target == nullptr || m_stopRequested.load(std::memory_order_acquire))
            break;
        m_target->presentPicture(std::move(picture));
        ++m_picturesPresented;
    }
}

void PortStream::decodeAudio(const QueuedFrame& frame)
{
    const int samples = m_audioDecoder->decode(frame.data.data(), frame.data.size());
    if (samples < 0) {
        ++m_audioRejected;
        return;
    }
    ++m_audioDecoded;
    m_audioSamples += static_cast<std::uint64_t>(samples);
}

} // namespace vexlo::player
