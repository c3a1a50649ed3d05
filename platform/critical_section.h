#pragma once

#include <mutex>

// A critical section of the original design: re-entrant on the owning thread.
namespace vexlo {
using CriticalSection = std::recursive_mutex;
using CriticalSectionLock = std::lock_guard<std::recursive_mutex>;
} // namespace vexlo
