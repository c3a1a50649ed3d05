#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The bounded queues between the caller's thread and a port's decode thread.
// Not locked: the port stream guards them with its own mutex.
namespace vexlo::player {

struct QueuedFrame
{
    std::vector<std::uint8_t> data;
    int frameValue = 0; // 1 for a key frame (the decoder can start there), 0 otherwise
    int timestamp = 0;

    bool isKeyFrame() const { return frameValue == 1; }
};

// Video frames in stream order. When the queue is full (entries or bytes) a new
// frame makes room like this, so that the decoder is never given a frame whose
// reference frame was dropped:
//  - if a key frame is queued behind the oldest entry, the frames before it are
//    dropped: decoding resumes at that key frame;
//  - otherwise a new key frame replaces the whole queue;
//  - otherwise the new frame (not a key frame) is dropped, and so is every later
//    frame until the next key frame, since they may refer to it.
class VideoFrameQueue
{
public:
    VideoFrameQueue(std::size_t capacity, std::size_t maxBytes);

    // False when the frame was dropped instead of queued.
    bool push(QueuedFrame frame);
    std::optional<QueuedFrame> pop();

    bool empty() const { return m_frames.empty(); }
    std::size_t size() const { return m_frames.size(); }
    std::size_t capacity() const { return m_capacity; }
    std::size_t peakSize() const { return m_peakSize; }
    std::size_t queuedBytes() const { return m_bytes; }
    std::uint64_t droppedCount() const { return m_dropped; }

private:
    bool isFullFor(std::size_t frameBytes) const;
    bool dropUpToNextKeyFrame();
    void dropFront();

    std::size_t m_capacity;
    std::size_t m_maxBytes;
    std::deque<QueuedFrame> m_frames;
    std::size_t m_bytes = 0;
    std::size_t m_peakSize = 0;
    std::uint64_t m_dropped = 0;
    bool m_waitingForKeyFrame = false;
};

// Audio frames stand alone (G.711 has no references): when full, the oldest goes.
class AudioFrameQueue
{
public:
    explicit AudioFrameQueue(std::size_t capacity);

    void push(QueuedFrame frame);
    std::optional<QueuedFrame> pop();

    bool empty() const { return m_frames.empty(); }
    std::size_t size() const { return m_frames.size(); }
    std::uint64_t droppedCount() const { return m_dropped; }

private:
    std::size_t m_capacity;
    std::deque<QueuedFrame> m_frames;
    std::uint64_t m_dropped = 0;
};

} // namespace vexlo::player
