#pragma once

namespace vexlo {

struct BatchState;
struct _DEVICERECORD;

// True when every record in upgradeList has an upgradeResult; an empty list
// counts as done.
bool upgradeComplete(BatchState& state);

// Gives the device its final upgrade result (1 success, 2 failure) and, when
// that settles the last device, posts WM_UPGRADE_DONE. A device that already had
// a result takes the new one without a second WM_UPGRADE_DONE, so a late event
// for a settled device cannot end the run twice.
void settleUpgrade(BatchState& state, _DEVICERECORD& record, int result);

// settleUpgrade with 2.
void failUpgrade(BatchState& state, _DEVICERECORD& record);

} // namespace vexlo
