#pragma once

#include <cstdint>
#include <functional>

namespace vexlo {

class WorkerThread;

// Sleeps the given milliseconds of scaled time; false when the worker is asked
// to stop, and then the caller ends what it is doing.
using StopAwareSleep = std::function<bool(std::uint32_t ms)>;

inline constexpr std::uint32_t kPollPeriodMs = 1000;
inline constexpr std::uint32_t kIdlePollPeriodMs = 300;

// One pass of a poller over a snapshot of its queue; returns whether the
// snapshot held anything.
using PollPass = std::function<bool()>;

// The loop the five pollers share: a pass, then 300 ms when the queue was empty
// or 1000 ms when it was not, until the worker is asked to stop.
void runPollingLoop(vexlo::WorkerThread& self, const PollPass& pass);

} // namespace vexlo
