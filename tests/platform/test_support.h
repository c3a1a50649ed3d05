#pragma once

#include "tests/support/wait.h"

#include "platform/tick.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vexlo::test {

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
