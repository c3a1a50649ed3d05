#include "port_stream.h"

#include "player/player_result.h"
#include "player/rgb_converter.h"

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

// Frame pairs a port decodes in one turn before the next port's turn.
constexpr int kRoundsPerTurn = 4;

PortStream::PortStream(int port, FeedObserver observer, DecodePool& pool)
    : m_port(port), m_observer(std::move(observer)), m_pool(pool)
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
    return kPlayerOk;
}

void PortStream::scheduleLocked()
{
    if (m_scheduled || m_stopping)
        return;
    m_scheduled = true;
    // The turn keeps its stream alive, so that a Stop made from inside a
    // target's presentPicture (during this very turn) cannot free it under itself.
    m_pool.schedule([self = shared_from_this()] { return self->runTurn(); });
}

bool PortStream::hasWorkLocked() const
{
    return (m_videoQueue && !m_videoQueue->empty()) || (m_audioQueue && !m_audioQueue->empty());
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
    // Copy before taking the lock: a turn takes it for its next frame.
    QueuedFrame frame = copyFrame(data, length, frameValue, timestamp);
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return kPlayerUnknownPort; // stopped while this call was on its way
    if (!m_videoQueue)
        return kPlayerNotOpen;
    // A dropped frame is still a frame the caller handed over correctly.
    if (m_videoQueue->push(std::move(frame)))
        scheduleLocked();
    return kPlayerOk;
}

int PortStream::inputAudio(const unsigned char* data, int length, int timestamp)
{
    if (const int status = checkFrameArguments(data, length); status != kPlayerOk)
        return status;
    QueuedFrame frame = copyFrame(data, length, 0, timestamp);
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return kPlayerUnknownPort; // stopped while this call was on its way
    if (!m_audioQueue)
        return kPlayerNotOpen;
    m_audioQueue->push(std::move(frame));
    scheduleLocked();
    return kPlayerOk;
}

void PortStream::stop()
{
    std::unique_lock lock(m_mutex);
    m_stopping = true;
    m_stopRequested.store(true, std::memory_order_release);
    // Stopped from a target called during this port's own turn: the turn ends
    // once the call returns, and holds the stream until then.
    if (m_runner == std::this_thread::get_id())
        return;
    m_turnEnded.wait(lock, [this] { return m_runner == std::thread::id(); });
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
    stats.videoFramesShed = m_videoShed.load();
    stats.videoFramesFed = m_videoFed.load();
    stats.videoFramesRejected = m_videoRejected.load();
    stats.picturesDecoded = m_picturesDecoded.load();
    stats.picturesPresented = m_picturesPresented.load();
    stats.audioFramesRejected = m_audioRejected.load();
    stats.audioFramesDecoded = m_audioDecoded.load();
    stats.audioSamplesDecoded = m_audioSamples.load();
    return stats;
}

bool PortStream::runTurn()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            m_scheduled = false;
            return false;
        }
        m_runner = std::this_thread::get_id();
    }
    for (int round = 0; round < kRoundsPerTurn; ++round) {
        std::optional<QueuedFrame> video;
        std::optional<QueuedFrame> audio;
        if (!takeWork(video, audio))
            break;
        if (audio)
            decodeAudio(*audio);
        if (video)
            decodeVideo(*video);
    }
    std::lock_guard lock(m_mutex);
    m_runner = std::thread::id();
    m_scheduled = !m_stopping && hasWorkLocked();
    m_turnEnded.notify_all();
    return m_scheduled;
}

bool PortStream::takeWork(std::optional<QueuedFrame>& video, std::optional<QueuedFrame>& audio)
{
    std::lock_guard lock(m_mutex);
    if (m_stopping || !hasWorkLocked())
        return false;
    // One of each per round, so neither kind starves the other.
    if (m_videoQueue) {
        // Behind from more than half a queue until it is empty again.
        if (m_videoQueue->size() * 2 > m_videoQueue->capacity())
            m_behind = true;
        else if (m_videoQueue->size() <= 1)
            m_behind = false;
        video = m_videoQueue->pop();
    }
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
    sdk::PictureBounds bounds;
    {
        std::lock_guard lock(m_presentMutex);
        if (m_target != nullptr)
            bounds = m_target->pictureBounds();
    }
    // A port that has fallen behind and whose pane shows its pictures much
    // smaller decodes key frames only until it has caught up: a small pane
    // loses little by it, and the machine gets the time back for the others.
    if (m_behind && !frame.isKeyFrame() &&
        showsMuchSmaller(m_decodedWidth, m_decodedHeight, bounds)) {
        ++m_videoShed;
        m_decoderNeedsKeyFrame = true;
        return;
    }
    if (m_observer)
        m_observer(m_port, frame.frameValue, frame.timestamp);

    // Set once under m_mutex before any turn could see the frame, never
    // replaced while the port lives.
    VideoDecoder& decoder = *m_videoDecoder;
    decoder.setBounds(bounds);
    std::vector<std::shared_ptr<const sdk::RgbPicture>> pictures;
    const bool convert = m_watched.load(std::memory_order_acquire);
    const VideoDecoder::Result result =
        decoder.decode(frame.data.data(), frame.data.size(), convert, pictures);
    ++m_videoFed;
    m_picturesDecoded += static_cast<std::uint64_t>(result.pictures);
    if (result.pictures > 0) {
        m_decodedWidth = result.width;
        m_decodedHeight = result.height;
    }
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
