#pragma once

#include "engine/polling_loop.h"
#include "engine/tasks.h"
#include "platform/message_queue.h"

#include <atomic>
#include <ctime>
#include <string>
#include <vector>

namespace vexlo {

struct BatchState;
struct _DEVICERECORD;
class RestoreVerification;

// The four maintenance instructions, run whole on MaintenanceThread, one per
// thread message: each logs in the devices of maintList that are not logged in,
// sends its command to every logged-in device, waits once for all answers with
// one shared limit, writes every device's final text and reports the end to
// the main window. A stop request ends the instruction at its next wait.
class MaintenanceOperations
{
public:
    MaintenanceOperations(BatchState& state, StopAwareSleep sleep,
                          RestoreVerification& restoreVerification,
                          const std::atomic<std::uint32_t>& formatTimeoutMs);
    ~MaintenanceOperations();

    void handle(const vexlo::ThreadMessage& message);

    void reboot();
    void restore();
    void syncTime();
    void format();

private:
    // The maintenance login step; false when a stop request ended it.
    bool loginDevices();
    bool waitForLoginAnswers();
    bool waitForLoginQueueToDrain();
    void finishLoginBatch();
    // Frees the batch's tasks that have left loginQueue (the rest are the
    // owner's to free once every worker has stopped).
    void releaseLoginBatch();

    bool checkStorage();
    bool formatDisks();

    bool sleep(std::uint32_t ms) { return m_sleep(ms); }

    BatchState& m_state;
    StopAwareSleep m_sleep;
    RestoreVerification& m_restoreVerification;
    const std::atomic<std::uint32_t>& m_formatTimeoutMs;
    std::vector<_LOGINTASK*> m_loginBatch; // maintLoginBatch
};

bool isLoggedIn(const _DEVICERECORD& record);

// "SD1", "SD2" or "USB" for disk index 1, 2 or 3; empty for any other.
std::u16string storageName(int diskIndex);
// The storage total the record's diskIndex selects; 0 for an unknown index.
int selectedStorageTotal(const _DEVICERECORD& record);

// The set-time request for the local time `now`.
std::string timeSyncRequest(const std::tm& now);

} // namespace vexlo
