#include "engine/restore_verification.h"

#include "engine/batch_state.h"
#include "platform/codepage.h"
#include "sdk/netsdk.h"

#include <memory>

namespace vexlo {

namespace {

bool isFactoryAddress(std::string_view address)
{
    return address == "192.168.0.123" || address == "192.168.1.123";
}

void examine(BatchState& state, const _IPCINFO& found)
{
    const std::string_view serial = vexlo::fieldText(found.serialNo);
    // An ONVIF camera keeps its address through a soft factory default; its
    // library lists it again only after it went away and came back.
    const bool restored = listedProtocol(found) == ListedProtocol::Onvif ||
                          isFactoryAddress(vexlo::fieldText(found.ipAddress));
    const int restoreState = restored ? 1 : 2;
    vexlo::CriticalSectionLock lock(state.restorePendingList.lock);
    for (_DEVICERECORD* record : state.restorePendingList.items) {
        if (record && vexlo::fieldText(record->serialNo) == serial) {
            record->restoreState = restoreState;
            return;
        }
    }
}

} // namespace

RestoreVerification::RestoreVerification(BatchState& state) : m_state(state)
{
}

void RestoreVerification::start()
{
    std::lock_guard lock(m_mutex);
    m_active = true;
    if (vexlo::UiPort* ui = m_state.ui.load())
        ui->setTimer(kRestoreTimerId, kRestoreTimerPeriodMs);
}

void RestoreVerification::stop()
{
    std::lock_guard lock(m_mutex);
    m_active = false;
    if (vexlo::UiPort* ui = m_state.ui.load())
        ui->killTimer(kRestoreTimerId);
}

void RestoreVerification::onTimer()
{
    vexlo::UiPort* ui = m_state.ui.load();
    if (ui)
        ui->killTimer(kRestoreTimerId);
    {
        std::lock_guard lock(m_mutex);
        if (!m_active)
            return;
    }
    const int count = IP_NET_DVR_GetSearchIPCCount();
    auto found = std::make_unique<_IPCINFO>();
    while (m_state.restoreSearchCursor.load() < count) {
        *found = _IPCINFO{};
        if (IP_NET_DVR_GetIPCInfo(m_state.restoreSearchCursor.load(), found.get()) == 0)
            examine(m_state, *found);
        ++m_state.restoreSearchCursor;
    }
    std::lock_guard lock(m_mutex);
    if (m_active && ui)
        ui->setTimer(kRestoreTimerId, kRestoreTimerPeriodMs);
}

} // namespace vexlo
