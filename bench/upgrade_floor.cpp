#include "bench/upgrade_floor.h"

#include <algorithm>

namespace {

// The polling loop sleeps this long after every pass that had work.
constexpr std::uint32_t kPassMs = 1000;
constexpr std::uint32_t kLogoutDelayMs = 500;
constexpr std::uint32_t kFirstReloginMs = 15000;
constexpr std::uint32_t kSuccessPauseMs = 1000;

} // namespace

UpgradeFloor upgradeFloor(const UpgradeFloorInputs& inputs)
{
    UpgradeFloor floor;
    floor.chain = {
        // LoginPollThread calls Login in one pass and sees the confirmation in the next.
        {"login: confirmed one pass after the call", kPassMs},
        // The version query, the submission and the upload-done event are handed
        // on by the callback or in the same pass: no whole period each.
        {"version query, submission, progress polling: no whole pass", 0},
        {"camera checks the firmware until code 1009", inputs.checkMs},
        {"controller waits before logging out", kLogoutDelayMs},
        {"re-login: first attempt after", kFirstReloginMs},
        {"re-login: confirmed one pass after the call", kPassMs},
        {"version after: answered by callback", 0},
        {"success pause on the controller", kSuccessPauseMs},
    };
    for (const UpgradeFloorTerm& term : floor.chain)
        floor.chainMs += term.ms;

    const std::uint32_t firstVerdict = kPassMs + inputs.checkMs;
    floor.controllerMs = firstVerdict + static_cast<std::uint32_t>(inputs.devices) *
                                            (kLogoutDelayMs + kSuccessPauseMs);
    floor.floorMs = std::max(floor.chainMs, floor.controllerMs);
    return floor;
}
