#include "sdk/play_sink.h"

#include <climits>

namespace vexlo::sdk {

PlaySink::PlaySink(int playHandle, REAL_DATA_CALLBACK callback, void* context, void* userValue)
    : m_playHandle(playHandle), m_callback(callback), m_context(context), m_userValue(userValue)
{
}

void PlaySink::deliverHeader(std::span<const std::uint8_t> block)
{
    deliver(SDK_DATA_HEADER, block, IP_FRAME_INFO{0, 0, 0.0, m_context});
}

void PlaySink::deliverVideo(std::int32_t frameValue, double timestamp,
                            std::span<const std::uint8_t> data)
{
    deliver(SDK_DATA_VIDEO, data, IP_FRAME_INFO{frameValue, 0, timestamp, m_context});
}

void PlaySink::deliverAudio(double timestamp, std::span<const std::uint8_t> data)
{
    deliver(SDK_DATA_AUDIO, data, IP_FRAME_INFO{0, 0, timestamp, m_context});
}

void PlaySink::deliver(int kind, std::span<const std::uint8_t> data, const IP_FRAME_INFO& info)
{
    std::lock_guard lock(m_mutex);
    if (m_stopped || m_callback == nullptr || data.size() > static_cast<std::size_t>(INT_MAX))
        return;
    m_callback(m_playHandle, kind, data.data(), static_cast<int>(data.size()), &info, m_userValue);
}

void PlaySink::stop()
{
    std::lock_guard lock(m_mutex);
    m_stopped = true;
}

bool PlaySink::stopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

} // namespace vexlo::sdk
