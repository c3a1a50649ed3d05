#include "frame_queue.h"

#include <algorithm>
#include <utility>

namespace vexlo::player {

VideoFrameQueue::VideoFrameQueue(std::size_t capacity, std::size_t maxBytes)
    : m_capacity(std::max<std::size_t>(capacity, 1)), m_maxBytes(maxBytes)
{
}

bool VideoFrameQueue::push(QueuedFrame frame)
{
    if (!frame.isKeyFrame() && m_waitingForKeyFrame) {
        ++m_dropped;
        return false;
    }
    if (frame.isKeyFrame())
        m_waitingForKeyFrame = false;

    while (!m_frames.empty() && isFullFor(frame.data.size())) {
        if (dropUpToNextKeyFrame())
            continue;
        if (frame.isKeyFrame()) {
            m_dropped += m_frames.size();
            m_frames.clear();
            m_bytes = 0;
            break;
        }
        ++m_dropped;
        m_waitingForKeyFrame = true;
        return false;
    }

    m_bytes += frame.data.size();
    m_frames.push_back(std::move(frame));
    m_peakSize = std::max(m_peakSize, m_frames.size());
    return true;
}

std::optional<QueuedFrame> VideoFrameQueue::pop()
{
    if (m_frames.empty())
        return std::nullopt;
    QueuedFrame frame = std::move(m_frames.front());
    m_frames.pop_front();
    m_bytes -= frame.data.size();
    return frame;
}

bool VideoFrameQueue::isFullFor(std::size_t frameBytes) const
{
    return m_frames.size() >= m_capacity || m_bytes + frameBytes > m_maxBytes;
}

bool VideoFrameQueue::dropUpToNextKeyFrame()
{
    auto next = std::find_if(m_frames.begin() + 1, m_frames.end(),
                             [](const QueuedFrame& f) { return f.isKeyFrame(); });
    if (next == m_frames.end())
        return false;
    const auto count = static_cast<std::size_t>(next - m_frames.begin());
    for (std::size_t i = 0; i < count; ++i)
        dropFront();
    return true;
}

void VideoFrameQueue::dropFront()
{
    m_bytes -= m_frames.front().data.size();
    m_frames.pop_front();
    ++m_dropped;
}

AudioFrameQueue::AudioFrameQueue(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1))
{
}

void AudioFrameQueue::push(QueuedFrame frame)
{
    if (m_frames.size() >= m_capacity) {
        m_frames.pop_front();
        ++m_dropped;
    }
    m_frames.push_back(std::move(frame));
}

std::optional<QueuedFrame> AudioFrameQueue::pop()
{
    if (m_frames.empty())
        return std::nullopt;
    QueuedFrame frame = std::move(m_frames.front());
    m_frames.pop_front();
    return frame;
}

} // namespace vexlo::player
