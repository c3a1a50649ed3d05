#include "engine/restore_runner.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/restore_verification.h"
#include "engine/row_update.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

constexpr std::uint32_t kRestartPauseMs = 10000;
constexpr std::uint32_t kFirstSearchPauseMs = 2000;
constexpr std::uint32_t kRediscoveryMs = 14000;
constexpr std::uint32_t kRediscoveryCheckMs = 1000;
constexpr std::uint32_t kRestoreReportDelayMs = 1500;

bool allPendingDecided(BatchState& state)
{
    vexlo::CriticalSectionLock lock(state.restorePendingList.lock);
    for (_DEVICERECORD* record : state.restorePendingList.items) {
        if (record && record->restoreState.load() <= 0)
            return false;
    }
    return true;
}

} // namespace

RestoreRunner::RestoreRunner(MaintenanceContext& context, RestoreVerification& restoreVerification)
    : m_context(context), m_state(context.state), m_restoreVerification(restoreVerification)
{
}

void RestoreRunner::run()
{
    if (!m_context.login.logInDevices())
        return;
    m_state.restorePendingList.clear();
    m_state.restoreSearchCursor = 0;

    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        if (!isLoggedIn(*record)) {
            record->restoreState = kRestoreNotLoggedIn;
            postStatus(m_state, *record, TextId::LoginFailed);
            continue;
        }
        postStatus(m_state, *record, TextId::Restoring);
        if (IP_NET_DVR_RestoreConfig(record->loginHandle.load()) == 0)
            m_state.restorePendingList.add(record);
        else {
            record->restoreState = kRestoreFailed;
            postStatus(m_state, *record, TextId::RestoreFailed);
        }
    }

    if (!sleep(kRestartPauseMs))
        return;
    IP_NET_DVR_StartSearchIPC();
    m_restoreVerification.start();
    bool stopped = !sleep(kFirstSearchPauseMs);
    const std::uint32_t start = vexlo::GetTickCount();
    while (!stopped && vexlo::ticksSince(start) < kRediscoveryMs && !allPendingDecided(m_state))
        stopped = !sleep(kRediscoveryCheckMs);
    IP_NET_DVR_StopSearchIPC();
    m_restoreVerification.stop();
    // The records may be freed by the next search; no late result may reach
    // them through this list.
    m_state.restorePendingList.clear();
    if (stopped)
        return;

    WPARAM restored = 0;
    LPARAM failed = 0;
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        switch (record->restoreState.load()) {
        case kRestoreFoundAgain:
            postStatus(m_state, *record, TextId::RestoreOk);
            ++restored;
            break;
        case kRestoreFailed:
            postStatus(m_state, *record, TextId::RestoreFailed);
            ++failed;
            break;
        default:
            ++failed; // never found again, or not logged in: the text stays
            break;
        }
    }
    if (!sleep(kRestoreReportDelayMs))
        return;
    if (vexlo::UiPort* ui = m_state.ui.load())
        ui->post(vexlo::UiMessage{WM_RESTORE_DONE, restored, failed, {}});
}

} // namespace vexlo
