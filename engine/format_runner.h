#pragma once

#include "engine/maintenance_login.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace vexlo {

// Formatting SD1, SD2 or USB (each record's diskIndex names its storage):
// logs in, asks each device for its storage totals, formats the devices whose
// storage is there, waits for the results up to the configured limit and
// reports the end.
class FormatRunner
{
public:
    FormatRunner(MaintenanceContext& context, const std::atomic<std::uint32_t>& timeoutMs);
    void run();

private:
    bool checkStorage();
    bool formatDisks();

    bool sleep(std::uint32_t ms) { return m_context.sleep(ms); }

    MaintenanceContext& m_context;
    BatchState& m_state;
    const std::atomic<std::uint32_t>& m_timeoutMs;
};

// "SD1", "SD2" or "USB" for disk index 1, 2 or 3; empty for any other.
std::u16string storageName(int diskIndex);
// The storage total the record's diskIndex selects; 0 for an unknown index.
int selectedStorageTotal(const _DEVICERECORD& record);

} // namespace vexlo
