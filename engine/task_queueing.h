#pragma once

#include "engine/tasks.h"

#include <cstdint>
#include <new>
#include <vector>

namespace vexlo {

struct BatchState;
struct _DEVICERECORD;

// The queueing operations of the upgrade and login stages. Each allocates its
// task without throwing; when that fails it writes its own text into the
// record's status, posts the row update and returns kQueueingFailed; the caller
// then fails the device (upgradeResult 2 and the completion check). Callable
// from any thread.
inline constexpr int kQueueingFailed = -1;

// Timeout 180000 ms for a re-login after the firmware reboot (loginPurpose 3),
// 18000 ms otherwise. A maintenance login (loginPurpose 4) is also appended to
// `maintLoginBatch`, which only MaintenanceThread touches.
int queueLogin(BatchState& state, _DEVICERECORD& record,
               std::vector<_LOGINTASK*>* maintLoginBatch = nullptr);
// Shows "获取版本号" and queues the query.
int queueVersionQuery(BatchState& state, _DEVICERECORD& record, int purpose);
int queueUpload(BatchState& state, _DEVICERECORD& record);
int queueProgressWatch(BatchState& state, _DEVICERECORD& record);

inline constexpr std::uint32_t kLoginTimeoutMs = 18000;
inline constexpr std::uint32_t kReloginTimeoutMs = 180000;
inline constexpr std::uint32_t kVersionTimeoutMs = 80000;

// Tests only: makes every later task allocation fail (true) or succeed again.
void failTaskAllocationsForTesting(bool fail);
bool taskAllocationsFailForTesting();

// A zeroed task, or nullptr when memory (or the test switch) says no.
template <typename Task> Task* allocateTask()
{
    return taskAllocationsFailForTesting() ? nullptr : new (std::nothrow) Task{};
}

} // namespace vexlo
