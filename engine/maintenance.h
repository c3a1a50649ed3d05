#pragma once

#include "engine/maintenance_login.h"
#include "engine/polling_loop.h"
#include "platform/message_queue.h"

#include <atomic>
#include <cstdint>

namespace vexlo {

class RestoreVerification;

// The maintenance thread's handler: each of the four maintenance instructions
// (reboot, factory restore, clock sync, formatting) arrives as one thread
// message and is run whole by its own runner, all sharing one login step. A
// stop request ends the instruction at its next wait.
class MaintenanceOperations
{
public:
    MaintenanceOperations(BatchState& state, StopAwareSleep sleep,
                          RestoreVerification& restoreVerification,
                          const std::atomic<std::uint32_t>& formatTimeoutMs);

    void handle(const vexlo::ThreadMessage& message);

private:
    MaintenanceLogin m_login;
    MaintenanceContext m_context;
    RestoreVerification& m_restoreVerification;
    const std::atomic<std::uint32_t>& m_formatTimeoutMs;
};

} // namespace vexlo
