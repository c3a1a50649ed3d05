#pragma once

#include <cstdint>
#include <string_view>

namespace vexlo {

struct BatchState;

// The device library's two callbacks. Both run on the library's threads, never
// call the library and never touch the user interface: they write a result into
// a task or a device record, or hand the event to UpgradeControlThread. `user`
// is the BatchState they work on. Both return 0.
int StatusEventCallBack(int loginHandle, int event, int value, void* user);
int AUXResponseCallBack(int loginHandle, int code, const char* answer, void* user);

// Registers both callbacks with the device library.
void registerSdkCallbacks(BatchState& state);

// The three Total="..." values of a storage answer, in order of appearance (SD1,
// SD2, USB); a missing one is 0.
struct StorageTotals
{
    std::int32_t sd1 = 0;
    std::int32_t sd2 = 0;
    std::int32_t usb = 0;
};
StorageTotals parseStorageTotals(std::string_view answer);

// Leading blanks, an optional sign, then decimal digits; 0 when there are none.
// Saturates at the 32-bit range instead of overflowing.
std::int32_t parseLeadingInt(std::string_view text);

} // namespace vexlo
