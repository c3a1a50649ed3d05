#pragma once

#include "engine/maintenance_login.h"

#include <cstdint>

namespace vexlo {

class RestoreVerification;

// Factory restore: logs in, sends the restore, then searches until every
// restored device was seen again (or the search time ends), writes each
// device's text and reports the counts.
class RestoreRunner
{
public:
    RestoreRunner(MaintenanceContext& context, RestoreVerification& restoreVerification);
    void run();

private:
    bool sleep(std::uint32_t ms) { return m_context.sleep(ms); }

    MaintenanceContext& m_context;
    BatchState& m_state;
    RestoreVerification& m_restoreVerification;
};

} // namespace vexlo
