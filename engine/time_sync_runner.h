#pragma once

#include "engine/maintenance_login.h"

#include <ctime>
#include <string>

namespace vexlo {

// Clock sync: logs in, sends every logged-in device the local time, waits
// for the answers with one shared limit and reports the counts.
class TimeSyncRunner
{
public:
    TimeSyncRunner(MaintenanceContext& context);
    void run();

private:
    bool sleep(std::uint32_t ms) { return m_context.sleep(ms); }

    MaintenanceContext& m_context;
    BatchState& m_state;
};

// The set-time request for the local time `now`.
std::string timeSyncRequest(const std::tm& now);

} // namespace vexlo
