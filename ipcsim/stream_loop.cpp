#include "ipcsim/stream_loop.h"

#include "ipcsim/test_card.h"

#include <semaphore>

namespace vexlo::ipcsim {
namespace {

// An encoder holds several megabytes while it works: when a wall of 250
// cameras starts at once, the cameras take turns instead of all encoding at
// the same time.
constexpr std::ptrdiff_t kEncodersAtOnce = 2;
std::counting_semaphore<kEncodersAtOnce> g_encoderSlots(kEncodersAtOnce);

class EncoderSlot
{
public:
    EncoderSlot() { g_encoderSlots.acquire(); }
    ~EncoderSlot() { g_encoderSlots.release(); }
    EncoderSlot(const EncoderSlot&) = delete;
    EncoderSlot& operator=(const EncoderSlot&) = delete;
};

} // namespace

std::size_t StreamLoop::memoryBytes() const
{
    std::size_t total = sizeof(StreamLoop) + serial.capacity() + address.capacity() +
                        video.capacity() * sizeof(AccessUnit);
    for (const AccessUnit& unit : video) {
        total += unit.bytes.capacity();
    }
    return total;
}

std::shared_ptr<const StreamLoop> encodeStreamLoop(const std::string& serial,
                                                   const std::string& address)
{
    const TestCard card(serial, address, kLoopFrames);
    H264Settings settings;
    settings.width = TestCard::kWidth;
    settings.height = TestCard::kHeight;
    settings.framesPerSecond = kVideoFramesPerSecond;
    settings.keyFrameInterval = kKeyFrameInterval;

    const EncoderSlot slot;
    auto loop = std::make_shared<StreamLoop>();
    loop->serial = serial;
    loop->address = address;
    loop->video = encodeH264(
        kLoopFrames, [&card](int index) { return card.draw(index); }, settings);
    if (loop->video.size() != static_cast<std::size_t>(kLoopFrames) || !loop->video.front().key) {
        throw EncoderError("H.264 encoder: the loop came out with " +
                           std::to_string(loop->video.size()) + " pictures");
    }
    loop->video.shrink_to_fit();
    return loop;
}

} // namespace vexlo::ipcsim
