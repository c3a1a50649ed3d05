#pragma once

#include "sdk/netsdk.h"

#include <cstdint>
#include <mutex>
#include <span>

// Where one live play's data goes: the caller's data callback with its client
// context. stop() guarantees that no callback for this play runs after it has
// returned: a delivery holds the play's own lock (and no other), and stop()
// takes that lock. The lock is re-entrant so a callback may stop its own play.
namespace vexlo::sdk {

class PlaySink
{
public:
    PlaySink(int playHandle, REAL_DATA_CALLBACK callback, void* context, void* userValue);

    int playHandle() const { return m_playHandle; }

    void deliverHeader(std::span<const std::uint8_t> block);
    void deliverVideo(std::int32_t frameValue, double timestamp,
                      std::span<const std::uint8_t> data);
    void deliverAudio(double timestamp, std::span<const std::uint8_t> data);

    // After this returns, no callback for the play runs (nor is running on
    // another thread).
    void stop();
    bool stopped() const;

private:
    void deliver(int kind, std::span<const std::uint8_t> data, const IP_FRAME_INFO& info);

    const int m_playHandle;
    const REAL_DATA_CALLBACK m_callback;
    void* const m_context;
    void* const m_userValue;
    mutable std::recursive_mutex m_mutex;
    bool m_stopped = false;
};

} // namespace vexlo::sdk
