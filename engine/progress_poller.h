#pragma once

#include <cstdint>

namespace vexlo {

struct BatchState;

// An upload that shows no progress for this long has stalled.
inline constexpr std::uint32_t kUploadStallMs = 15000;

// One pass of ProgressPollThread over progressQueue: shows the upload percent,
// fails a stalled upload, and frees watches that the upload events finished.
// Only this poller removes and frees progress watches; UpgradeControlThread
// touches a watch only under progressQueueLock while it is queued.
bool progressPollPass(BatchState& state);

} // namespace vexlo
