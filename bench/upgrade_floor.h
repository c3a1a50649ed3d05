#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The shortest time an upgrade run can take, whatever the machine: the sum of
// the fixed waits and polling periods the pipeline imposes, in milliseconds of
// scaled time. Pass alignment (up to one period before a poller first sees a
// new task) is counted as 0, so this is a lower bound.
struct UpgradeFloorInputs
{
    int devices = 0;
    std::uint32_t checkMs = 0; // from the end of the upload to the camera's verdict
};

struct UpgradeFloorTerm
{
    std::string what;
    std::uint32_t ms = 0;
};

struct UpgradeFloor
{
    // One device through every stage on its own.
    std::vector<UpgradeFloorTerm> chain;
    std::uint32_t chainMs = 0;
    // UpgradeControlThread sleeps 500 ms before logging out every device that
    // accepted the firmware and 1000 ms after every success; one thread, so
    // these sleeps follow one another, all after the first verdict.
    std::uint32_t controllerMs = 0;
    std::uint32_t floorMs = 0; // the larger of the two
};

UpgradeFloor upgradeFloor(const UpgradeFloorInputs& inputs);
