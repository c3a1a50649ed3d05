#pragma once

#include <cstdint>

namespace vexlo {

struct BatchState;

// How long a device may take, after its upload, to answer whether it accepts
// the firmware.
inline constexpr std::uint32_t kFirmwareCheckMs = 240000;

// One pass of RebootWaitThread over rebootWaitList: shows the seconds waited
// and fails devices whose firmware verdict did not come in time. rebootState
// changes under rebootWaitLock, so a verdict and the timeout cannot both win.
bool rebootWaitPass(BatchState& state);

} // namespace vexlo
