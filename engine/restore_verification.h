#pragma once

#include <mutex>

namespace vexlo {

struct BatchState;

// The timer by which the factory restore looks for restored devices in the
// search results; it runs on the user-interface thread.
inline constexpr unsigned kRestoreTimerId = 1008;
inline constexpr unsigned kRestoreTimerPeriodMs = 1500;

// The restore re-discovery of timer 1008. MaintenanceThread starts and stops
// it; the main window's onTimer(1008) calls onTimer(). A tick that is running
// while the restore stops the timer does not start it again.
class RestoreVerification
{
public:
    explicit RestoreVerification(BatchState& state);

    void start();
    void stop();

    // Examines the search results not seen yet: a result whose serial number is
    // pending gives that record restoreState 1 at a factory address
    // ("192.168.0.123" or "192.168.1.123") and 2 at any other; an ONVIF
    // camera's return to the list is itself the proof (state 1).
    void onTimer();

private:
    BatchState& m_state;
    std::mutex m_mutex; // orders onTimer's restart against stop()
    bool m_active = false;
};

} // namespace vexlo
