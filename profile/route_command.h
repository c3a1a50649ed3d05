#pragma once

// Sends a device command by its code with the one library call that carries it:
// a query (GetDVRConfig), a configuration (SetDVRConfig, the text and its length
// with the NUL) or a system command (SystemControl, the text). Returns the call's
// result, or -1 for a code that no call carries.
int routeCommand(int loginHandle, int code, const char* text);

namespace vexlo {

enum class CommandRoute
{
    None,
    GetConfig,
    SetConfig,
    SystemControl,
};

// Which call carries `code`.
CommandRoute commandRouteOf(int code);

} // namespace vexlo
