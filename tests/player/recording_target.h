#pragma once

#include "test_stream.h"
#include "tests/support/wait.h"

#include "sdk/backend.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vexlo::player::test {

// A render target that counts pictures and keeps the newest, as a pane does.
// It can be closed (a picture after that is a fault) and gated (it blocks in
// presentPicture until opened, like a pane that falls behind).
class RecordingTarget : public sdk::RenderTarget
{
public:
    void presentPicture(std::shared_ptr<const sdk::RgbPicture> picture) override;
    sdk::PictureBounds pictureBounds() const override { return {m_width.load(), m_height.load()}; }
    // The size the target says it shows pictures at (0 x 0: not said).
    void setBounds(int width, int height)
    {
        m_width = width;
        m_height = height;
    }

    int pictureCount() const;
    std::shared_ptr<const sdk::RgbPicture> newest() const;
    // Pictures that arrived after close().
    int picturesAfterClose() const { return m_afterClose.load(); }
    void close() { m_closed.store(true); }

    void holdPictures();
    void releasePictures();
    bool isHolding() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_holding = false;
    int m_count = 0;
    std::shared_ptr<const sdk::RgbPicture> m_newest;
    std::atomic<bool> m_closed{false};
    std::atomic<int> m_afterClose{0};
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
};

// The colour at (x, y) of an RGB picture.
Rgb pixelAt(const sdk::RgbPicture& picture, int x, int y);
// True when every channel is within `tolerance` of the expected colour.
bool near(Rgb actual, Rgb expected, int tolerance = 24);

using vexlo::test::waitUntil;

} // namespace vexlo::player::test
