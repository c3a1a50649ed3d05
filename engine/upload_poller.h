#pragma once

#include <functional>
#include <string>

namespace vexlo {

struct BatchState;

// The firmware path as the path box (edit 1005) holds it now. Called from
// UploadThread; the supplier makes its own read thread-safe.
using FirmwarePathSource = std::function<std::u16string()>;

// The firmware is submitted at most this many times, one pass apart.
inline constexpr int kMaxFirmwareSubmissions = 21;

// One pass of UploadThread over uploadQueue: submits the firmware of each task,
// reading the path anew for every submission, and hands submitted or given-up
// tasks to UpgradeControlThread. Only this poller removes upload tasks.
bool uploadPollPass(BatchState& state, const FirmwarePathSource& firmwarePath);

} // namespace vexlo
