#pragma once

namespace vexlo {

struct BatchState;

// One pass of VersionPollThread over versionQueue: sends each query once and
// hands a query that ran out of time to UpgradeControlThread. The response
// callback takes answered queries out of the queue meanwhile, so every step
// re-checks under the queue's lock that the task is still queued.
bool versionPollPass(BatchState& state);

} // namespace vexlo
