#include "engine/polling_loop.h"

#include "platform/worker_thread.h"

namespace vexlo {

void runPollingLoop(vexlo::WorkerThread& self, const PollPass& pass)
{
    while (!self.stopRequested()) {
        const bool busy = pass();
        if (!self.sleep(busy ? kPollPeriodMs : kIdlePollPeriodMs))
            return;
    }
}

} // namespace vexlo
