#include "recording_target.h"

#include <cstdlib>

namespace vexlo::player::test {

void RecordingTarget::presentPicture(std::shared_ptr<const sdk::RgbPicture> picture)
{
    if (m_closed.load())
        ++m_afterClose;
    std::unique_lock lock(m_mutex);
    m_released.wait(lock, [this] { return !m_holding; });
    ++m_count;
    m_newest = std::move(picture);
}

int RecordingTarget::pictureCount() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

std::shared_ptr<const sdk::RgbPicture> RecordingTarget::newest() const
{
    std::lock_guard lock(m_mutex);
    return m_newest;
}

void RecordingTarget::holdPictures()
{
    std::lock_guard lock(m_mutex);
    m_holding = true;
}

void RecordingTarget::releasePictures()
{
    {
        std::lock_guard lock(m_mutex);
        m_holding = false;
    }
    m_released.notify_all();
}

bool RecordingTarget::isHolding() const
{
    std::lock_guard lock(m_mutex);
    return m_holding;
}

Rgb pixelAt(const sdk::RgbPicture& picture, int x, int y)
{
    const auto at = static_cast<std::size_t>((y * picture.width + x) * 3);
    return Rgb{picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
}

bool near(Rgb actual, Rgb expected, int tolerance)
{
    return std::abs(actual.r - expected.r) <= tolerance &&
           std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

} // namespace vexlo::player::test
