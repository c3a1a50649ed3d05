#include "engine/maintenance.h"

#include "engine/format_runner.h"
#include "engine/messages.h"
#include "engine/reboot_runner.h"
#include "engine/restore_runner.h"
#include "engine/time_sync_runner.h"

namespace vexlo {

MaintenanceOperations::MaintenanceOperations(BatchState& state, StopAwareSleep sleep,
                                             RestoreVerification& restoreVerification,
                                             const std::atomic<std::uint32_t>& formatTimeoutMs)
    : m_login(state, sleep), m_context{state, std::move(sleep), m_login},
      m_restoreVerification(restoreVerification), m_formatTimeoutMs(formatTimeoutMs)
{
}

void MaintenanceOperations::handle(const vexlo::ThreadMessage& message)
{
    switch (message.message) {
    case TM_REBOOT:
        RebootRunner(m_context).run();
        break;
    case TM_RESTORE:
        RestoreRunner(m_context, m_restoreVerification).run();
        break;
    case TM_TIMESYNC:
        TimeSyncRunner(m_context).run();
        break;
    case TM_FORMAT:
        FormatRunner(m_context, m_formatTimeoutMs).run();
        break;
    default:
        break;
    }
}

} // namespace vexlo
