#include "engine/task_queueing.h"

#include "engine/batch_state.h"
#include "engine/row_update.h"
#include "platform/tick.h"

#include <atomic>

namespace vexlo {

namespace {

std::atomic<bool> g_failAllocations{false};

} // namespace

void failTaskAllocationsForTesting(bool fail)
{
    g_failAllocations = fail;
}

bool taskAllocationsFailForTesting()
{
    return g_failAllocations.load();
}

int queueLogin(BatchState& state, _DEVICERECORD& record, std::vector<_LOGINTASK*>* maintLoginBatch)
{
    auto* task = allocateTask<_LOGINTASK>();
    if (!task) {
        postStatus(state, record, TextId::LoginAllocationFailed);
        return kQueueingFailed;
    }
    task->record = &record;
    const int purpose = record.loginPurpose.load();
    task->timeoutMs = purpose == kLoginAfterReboot ? kReloginTimeoutMs : kLoginTimeoutMs;
    if (purpose == kLoginForMaintenance && maintLoginBatch)
        maintLoginBatch->push_back(task);
    vexlo::CriticalSectionLock lock(state.loginQueue.lock);
    state.loginQueue.items.push_back(task);
    return 0;
}

int queueVersionQuery(BatchState& state, _DEVICERECORD& record, int purpose)
{
    auto* task = allocateTask<_VERSIONTASK>();
    if (!task) {
        postStatus(state, record, TextId::AllocationFailed);
        return kQueueingFailed;
    }
    task->record = &record;
    task->purpose = purpose;
    task->timeoutMs = kVersionTimeoutMs;
    postStatus(state, record, TextId::GettingVersion);
    vexlo::CriticalSectionLock lock(state.versionQueue.lock);
    state.versionQueue.items.push_back(task);
    return 0;
}

int queueUpload(BatchState& state, _DEVICERECORD& record)
{
    auto* task = allocateTask<_UPLOADTASK>();
    if (!task) {
        postStatus(state, record, TextId::UploadAllocationFailed);
        return kQueueingFailed;
    }
    task->record = &record;
    vexlo::CriticalSectionLock lock(state.uploadQueue.lock);
    state.uploadQueue.items.push_back(task);
    return 0;
}

int queueProgressWatch(BatchState& state, _DEVICERECORD& record)
{
    auto* task = allocateTask<_PROGRESSTASK>();
    if (!task) {
        postStatus(state, record, TextId::ProgressAllocationFailed);
        return kQueueingFailed;
    }
    task->record = &record;
    task->lastChangeTick = vexlo::GetTickCount();
    vexlo::CriticalSectionLock lock(state.progressQueue.lock);
    state.progressQueue.items.push_back(task);
    return 0;
}

} // namespace vexlo
