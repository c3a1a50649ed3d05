#pragma once

#include "profile/config_profile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

namespace vexlo {
struct BatchState;
struct _DEVICERECORD;

struct ConfigSection;
class StopSignal;

// The work of one device's apply thread: log in (unless still logged in), push
// every enabled section of the profile in table order, retry a failed section
// once after 15 s, and show each step in the device's row. Every wait is a
// sleep in scaled time that a stop request cuts short.
class ApplyConfigThread
{
public:
    ApplyConfigThread(BatchState& state, _DEVICERECORD* record,
                      std::shared_ptr<const ConfigProfile> profile, StopSignal& stop);

    // The thread body. Ends with applyDone 1 and WM_APPLY_DONE (not posted when
    // stopped: the owner is going away). The device stays logged in. Returns 0.
    int run();

    enum class Login
    {
        Confirmed,
        NoRecord,
        NotConfirmed, // refused, unconfirmed in time, or stopped
    };
    Login loginForApply();
    // True when the device accepted the section.
    bool pushSection(const ConfigSection& section);
    // Waits up to 30 s for the answer flag to leave 0 and shows the outcome.
    void waitSectionReply(const ConfigSection& section, const std::atomic<std::int32_t>& flag);
    // The 20-step countdown while the device restarts a process.
    void restartWait(const ConfigSection& section);

private:
    void show(std::u16string_view text);
    bool pause(std::uint32_t ms);
    // A login answer that arrived before the handle was stored in the record
    // was kept by the status callback; take it over.
    void adoptKeptLoginResult(int handle);

    BatchState& m_state;
    _DEVICERECORD* m_record;
    std::shared_ptr<const ConfigProfile> m_profile;
    StopSignal& m_stop;
};

} // namespace vexlo
