#include "engine/maintenance.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/restore_verification.h"
#include "engine/row_update.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

constexpr std::uint32_t kRebootReportDelayMs = 2000;

} // namespace

MaintenanceOperations::MaintenanceOperations(BatchState& state, StopAwareSleep sleep,
                                             RestoreVerification& restoreVerification,
                                             const std::atomic<std::uint32_t>& formatTimeoutMs)
    : m_state(state), m_sleep(std::move(sleep)), m_restoreVerification(restoreVerification),
      m_formatTimeoutMs(formatTimeoutMs)
{
}

MaintenanceOperations::~MaintenanceOperations()
{
    releaseLoginBatch();
}

void MaintenanceOperations::handle(const vexlo::ThreadMessage& message)
{
    switch (message.message) {
    case TM_REBOOT:
        reboot();
        break;
    case TM_RESTORE:
        restore();
        break;
    case TM_TIMESYNC:
        syncTime();
        break;
    case TM_FORMAT:
        format(); // each record's diskIndex names its storage
        break;
    default:
        break;
    }
}

bool isLoggedIn(const _DEVICERECORD& record)
{
    return record.loginHandle.load() > 0 && record.loginState.load() > 0;
}

std::u16string storageName(int diskIndex)
{
    switch (diskIndex) {
    case 1:
        return u"SD1";
    case 2:
        return u"SD2";
    case 3:
        return u"USB";
    default:
        return {};
    }
}

int selectedStorageTotal(const _DEVICERECORD& record)
{
    switch (record.diskIndex.load()) {
    case 1:
        return record.totalSd1.load();
    case 2:
        return record.totalSd2.load();
    case 3:
        return record.totalUsb.load();
    default:
        return 0;
    }
}

void MaintenanceOperations::reboot()
{
    if (!loginDevices())
        return;
    WPARAM rebooted = 0;
    LPARAM failed = 0;
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        if (!isLoggedIn(*record)) {
            ++failed; // the login step's text stays
            continue;
        }
        if (IP_NET_DVR_RebootDVR(record->loginHandle.load()) == 0) {
            postStatus(m_state, *record, TextId::RebootOk);
            ++rebooted;
        } else {
            postStatus(m_state, *record, TextId::RebootFailed);
            ++failed;
        }
    }
    if (!sleep(kRebootReportDelayMs))
        return;
    if (vexlo::UiPort* ui = m_state.ui.load())
        ui->post(vexlo::UiMessage{WM_REBOOT_DONE, rebooted, failed, {}});
}

} // namespace vexlo
