#pragma once

#include <string_view>

// What search and modify IP need from the main window: its counters and
// labels, its repaint, and the instruction sequence they are steps of.
namespace vexlo {

class DiscoveryHost
{
public:
    virtual ~DiscoveryHost() = default;

    // The value chosen in combo 1020; a search stops once the list holds it.
    virtual int expectedDeviceCount() const = 0;

    virtual void showTotalCount(int count) = 0;                    // 1017
    virtual void showTickedCount(int count) = 0;                   // 1019 and the counter
    virtual void showUpgradeCounts(int succeeded, int failed) = 0; // 1026, 1027
    virtual void showCurrentAction(std::u16string_view text) = 0;  // 1062
    virtual void enableSearchButton(bool enabled) = 0;             // hidden 1002
    virtual void repaint() = 0;

    // The search has listed the expected number of devices: the next ticked
    // instruction after search runs.
    virtual void searchReachedExpected() = 0;
    // Ends the instruction sequence (the user said No, or a step failed).
    virtual void finishSequence() = 0;
};

} // namespace vexlo
