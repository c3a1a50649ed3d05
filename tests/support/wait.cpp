#include "wait.h"

#include <thread>

namespace vexlo::test {

namespace {

constexpr std::chrono::milliseconds kPause{2};

} // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
               const std::function<void()>& betweenChecks)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (betweenChecks)
            betweenChecks();
        std::this_thread::sleep_for(kPause);
    }
}

} // namespace vexlo::test
