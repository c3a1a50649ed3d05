#include "engine/time_sync_runner.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

#include <cstdio>

namespace vexlo {

namespace {

constexpr std::uint32_t kFirstAnswerPauseMs = 2000;
constexpr std::uint32_t kAnswerWaitMs = 8000;
constexpr std::uint32_t kAnswerCheckMs = 1000;
constexpr std::uint32_t kTimeSyncReportDelayMs = 2000;

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool allAnswered(BatchState& state)
{
    vexlo::CriticalSectionLock lock(state.timeSyncPendingList.lock);
    for (_DEVICERECORD* record : state.timeSyncPendingList.items) {
        if (record && record->timeSyncState.load() <= 0)
            return false;
    }
    return true;
}

} // namespace

std::string timeSyncRequest(const std::tm& now)
{
    char request[256] = {};
    std::snprintf(request, sizeof request,
                  "<REQUEST_PARAM\r\nTime=\"%04d%02d%02d %02d:%02d:%02d\"\r\nTimeZone=\"4800\"\n/>",
                  now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min,
                  now.tm_sec);
    return request;
}

TimeSyncRunner::TimeSyncRunner(MaintenanceContext& context)
    : m_context(context), m_state(context.state)
{
}

void TimeSyncRunner::run()
{
    if (!m_context.login.logInDevices())
        return;
    m_state.timeSyncPendingList.assign(m_state.maintList.items);
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        const std::string request = timeSyncRequest(localNow());
        if (!isLoggedIn(*record)) {
            record->timeSyncState = kTimeSyncFailed;
            continue;
        }
        record->timeSyncState = kTimeSyncPending;
        if (IP_NET_DVR_SystemControl(record->loginHandle.load(), CMD_SET_TIME, 0,
                                     request.c_str()) != 0)
            record->timeSyncState = kTimeSyncFailed;
    }

    bool stopped = !sleep(kFirstAnswerPauseMs);
    const std::uint32_t start = vexlo::GetTickCount();
    while (!stopped && vexlo::ticksSince(start) < kAnswerWaitMs && !allAnswered(m_state))
        stopped = !sleep(kAnswerCheckMs);
    // The records may be freed by the next search; late answers must not find
    // them here.
    m_state.timeSyncPendingList.clear();
    if (stopped)
        return;

    WPARAM set = 0;
    LPARAM failed = 0;
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        if (record->timeSyncState.load() == kTimeSyncConfirmed) {
            postStatus(m_state, *record, TextId::TimeSyncOk);
            ++set;
        } else {
            postStatus(m_state, *record, TextId::TimeSyncFailed);
            ++failed;
        }
    }
    if (!sleep(kTimeSyncReportDelayMs))
        return;
    if (vexlo::UiPort* ui = m_state.ui.load())
        ui->post(vexlo::UiMessage{WM_TIMESYNC_DONE, set, failed, {}});
}

} // namespace vexlo
