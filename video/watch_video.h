#pragma once

#include "sdk/netsdk.h"
#include "video/player_ports.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace vexlo::sdk {
class RenderTarget;
}

// The single-device video window: opened by a double click on a row, it logs
// the device in first if needed (and leaves it logged in), then plays its live
// picture and sound into itself until it closes.
//
// The start must run after the window is visible, so the window posts itself
// kStartMessage at initialisation and starts when it takes the message from its
// queue. The main window's UiPort delivers to the main window's logic, not to
// this one, so the front end gives onInitDialog a way to post to this window
// (a queued call on its own event loop) and hands the message back to
// onMessage.
namespace vexlo {
struct BatchState;
struct _DEVICERECORD;

class WatchVideo
{
public:
    static constexpr std::uint32_t kStartMessage = 1224;
    static constexpr int kLoginAttempts = 3;
    static constexpr std::uint32_t kLoginWaitMs = 1500;
    static constexpr std::uint32_t kCloseWaitMs = 200;

    // `device` may be null: the window then stays black. `state` is where the
    // status callback leaves login answers.
    WatchVideo(_DEVICERECORD* device, BatchState& state);
    ~WatchVideo(); // closes the window's play if the front end has not
    WatchVideo(const WatchVideo&) = delete;
    WatchVideo& operator=(const WatchVideo&) = delete;

    // The window itself, as the player draws into it; set before the start.
    void setRenderTarget(sdk::RenderTarget* target) { m_target.store(target); }

    void onInitDialog(const std::function<void(std::uint32_t message)>& postToSelf);
    void onMessage(std::uint32_t message);
    // Stops the play and the port, then waits 200 ms. Safe to call again.
    void close();

    _DEVICERECORD* device() const { return m_device; }
    int realPlayHandle() const { return m_realPlayHandle.load(); }
    int playerPort() const { return m_playerPort.load(); }

    static int RealDataCallBack(int realPlayHandle, int dataKind, const unsigned char* data,
                                int length, const IP_FRAME_INFO* frameInfo, void* user);

    // Tests: the generator the stream's port comes from.
    void seedPortGeneratorForTesting(std::uint32_t seed) { m_random = Rand15(seed); }

private:
    void start();
    // One login attempt: true once the device is logged in and confirmed.
    bool loginAndWait();
    static int choosePort(void* self);

    _DEVICERECORD* const m_device;
    BatchState& m_state;
    std::atomic<sdk::RenderTarget*> m_target{nullptr};
    std::atomic<int> m_realPlayHandle{0};
    std::atomic<int> m_playerPort{0};
    // Only the data callback draws from it, one call at a time per stream.
    Rand15 m_random;
    bool m_closed = false;
};

} // namespace vexlo
