#pragma once

#include "platform/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace vexlo::test {

// Polls `condition` until it holds or `limit` of real time has passed.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

inline std::chrono::milliseconds elapsedSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

// Runs a test at a fixed time scale and puts the previous scale back after it.
class ScaledTimeTest : public ::testing::Test
{
protected:
    explicit ScaledTimeTest(double scale = 50.0) : m_previous(timeScale())
    {
        setTimeScaleForTesting(scale);
    }
    ~ScaledTimeTest() override { setTimeScaleForTesting(m_previous); }

private:
    double m_previous;
};

} // namespace vexlo::test
