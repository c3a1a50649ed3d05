#include "engine/reboot_runner.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

constexpr std::uint32_t kRebootReportDelayMs = 2000;

} // namespace

RebootRunner::RebootRunner(MaintenanceContext& context) : m_context(context), m_state(context.state)
{
}

void RebootRunner::run()
{
    if (!m_context.login.logInDevices())
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
