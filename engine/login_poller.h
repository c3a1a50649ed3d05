#pragma once

namespace vexlo {

struct BatchState;

// One pass of LoginPollThread over loginQueue: logs devices in, hands confirmed
// and timed-out upgrade logins to UpgradeControlThread, and shows the re-login
// wait after a firmware reboot. Only this poller removes tasks from loginQueue.
bool loginPollPass(BatchState& state);

inline constexpr unsigned kReloginFirstAttemptMs = 15000;

} // namespace vexlo
