#include "engine/maintenance_login.h"

#include "engine/batch_state.h"
#include "engine/row_update.h"
#include "engine/task_queueing.h"
#include "platform/tick.h"

#include <unordered_set>

namespace vexlo {

namespace {

constexpr std::uint32_t kLoginCheckPeriodMs = 1000;
constexpr std::uint32_t kQueueCheckPeriodMs = 500;

} // namespace

MaintenanceLogin::MaintenanceLogin(BatchState& state, StopAwareSleep sleep)
    : m_state(state), m_sleep(std::move(sleep))
{
}

MaintenanceLogin::~MaintenanceLogin()
{
    releaseLoginBatch();
}

bool isLoggedIn(const _DEVICERECORD& record)
{
    return record.loginHandle.load() > 0 && record.loginState.load() > 0;
}

bool MaintenanceLogin::logInDevices()
{
    releaseLoginBatch();
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record || record->loginHandle.load() > 0)
            continue;
        record->loginHandle = 0;
        record->loginState = kLoginUndecided;
        postStatus(m_state, *record, TextId::LoggingIn);
        record->loginPurpose = kLoginForMaintenance;
        if (queueLogin(m_state, *record, &m_loginBatch) != 0)
            record->loginState = kLoginFailed; // nothing will answer; its text says why
    }
    if (m_loginBatch.empty())
        return true;
    if (!waitForLoginAnswers() || !waitForLoginQueueToDrain())
        return false;
    finishLoginBatch();
    return true;
}

bool MaintenanceLogin::waitForLoginAnswers()
{
    std::unordered_set<const _DEVICERECORD*> queued;
    for (const _LOGINTASK* task : m_loginBatch)
        queued.insert(task->record);
    const std::uint32_t start = vexlo::GetTickCount();
    for (;;) {
        bool unfinished = false;
        for (_DEVICERECORD* record : m_state.maintList.items) {
            if (!record)
                continue;
            const int loginState = record->loginState.load();
            if (loginState == kLoginConfirmed) {
                postStatus(m_state, *record, TextId::LoginOk);
            } else if (loginState == kLoginUndecided) {
                // A login of this batch always ends by its task's timeout. A
                // device left alone with a handle but no confirmation is waited
                // for no longer than a login may take.
                if (queued.count(record) || vexlo::ticksSince(start) <= kLoginTimeoutMs)
                    unfinished = true;
            }
        }
        if (!unfinished)
            return true;
        if (!m_sleep(kLoginCheckPeriodMs))
            return false;
    }
}

bool MaintenanceLogin::waitForLoginQueueToDrain()
{
    // LoginPollThread is done with a task once it has left the queue; only then
    // may this thread free it. (Waiting for the poller to go idle instead could
    // wait for another pipeline's logins.)
    for (;;) {
        bool queued = false;
        {
            vexlo::CriticalSectionLock lock(m_state.loginQueue.lock);
            for (_LOGINTASK* task : m_loginBatch)
                queued = queued || m_state.loginQueue.contains(task);
        }
        if (!queued)
            return true;
        if (!m_sleep(kQueueCheckPeriodMs))
            return false;
    }
}

void MaintenanceLogin::finishLoginBatch()
{
    for (_LOGINTASK* task : m_loginBatch) {
        _DEVICERECORD& record = *task->record;
        postStatus(m_state, record, isLoggedIn(record) ? TextId::LoginOk : TextId::LoginFailed);
        delete task;
    }
    m_loginBatch.clear();
}

void MaintenanceLogin::releaseLoginBatch()
{
    vexlo::CriticalSectionLock lock(m_state.loginQueue.lock);
    for (_LOGINTASK* task : m_loginBatch) {
        if (!m_state.loginQueue.contains(task))
            delete task;
    }
    m_loginBatch.clear();
}

} // namespace vexlo
