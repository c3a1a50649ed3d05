#pragma once

#include "engine/polling_loop.h"
#include "engine/tasks.h"

#include <vector>

namespace vexlo {

struct BatchState;
struct _DEVICERECORD;

// The step every maintenance instruction begins with: logs in the devices of
// maintList that are not logged in, through the login poller, and waits for
// their answers. It owns the tasks it queues until the poller is done with
// them.
class MaintenanceLogin
{
public:
    MaintenanceLogin(BatchState& state, StopAwareSleep sleep);
    ~MaintenanceLogin();
    MaintenanceLogin(const MaintenanceLogin&) = delete;
    MaintenanceLogin& operator=(const MaintenanceLogin&) = delete;

    // False when a stop request ended it.
    bool logInDevices();

private:
    bool waitForLoginAnswers();
    bool waitForLoginQueueToDrain();
    void finishLoginBatch();
    // Frees the batch's tasks that have left loginQueue (the rest are the
    // owner's to free once every worker has stopped).
    void releaseLoginBatch();

    BatchState& m_state;
    StopAwareSleep m_sleep;
    std::vector<_LOGINTASK*> m_loginBatch; // maintLoginBatch
};

// What each maintenance instruction's runner works with: the shared lists, the
// stop-aware sleep of the maintenance thread, and the one login step.
struct MaintenanceContext
{
    BatchState& state;
    StopAwareSleep sleep;
    MaintenanceLogin& login;
};

bool isLoggedIn(const _DEVICERECORD& record);

} // namespace vexlo
