#pragma once

#include "engine/maintenance_login.h"

#include <cstdint>

namespace vexlo {

// Reboot: logs in, sends the reboot to every logged-in device, writes each
// device's text and reports the counts to the main window.
class RebootRunner
{
public:
    RebootRunner(MaintenanceContext& context);
    void run();

private:
    bool sleep(std::uint32_t ms) { return m_context.sleep(ms); }

    MaintenanceContext& m_context;
    BatchState& m_state;
};

} // namespace vexlo
