#include "profile/route_command.h"

#include "sdk/netsdk.h"

#include <cstring>

namespace vexlo {
namespace {

struct CodeRange
{
    int first;
    int last;
    CommandRoute route;
};

constexpr CodeRange kRoutes[] = {
    {201, 206, CommandRoute::GetConfig},       {306, 306, CommandRoute::GetConfig},
    {312, 314, CommandRoute::GetConfig},       {400, 400, CommandRoute::GetConfig},
    {500, 502, CommandRoute::GetConfig},       {600, 600, CommandRoute::GetConfig},
    {650, 650, CommandRoute::GetConfig},       {800, 800, CommandRoute::GetConfig},

    {222, 228, CommandRoute::SetConfig},       {325, 326, CommandRoute::SetConfig},
    {330, 335, CommandRoute::SetConfig},       {421, 422, CommandRoute::SetConfig},
    {522, 527, CommandRoute::SetConfig},       {529, 529, CommandRoute::SetConfig},
    {620, 620, CommandRoute::SetConfig},       {670, 670, CommandRoute::SetConfig},
    {720, 720, CommandRoute::SetConfig},       {822, 822, CommandRoute::SetConfig},
    {824, 826, CommandRoute::SetConfig},

    {1002, 1003, CommandRoute::SystemControl}, {1005, 1005, CommandRoute::SystemControl},
    {1007, 1007, CommandRoute::SystemControl}, {1012, 1012, CommandRoute::SystemControl},
    {1014, 1014, CommandRoute::SystemControl}, {1017, 1021, CommandRoute::SystemControl},
    {1024, 1027, CommandRoute::SystemControl}, {1030, 1031, CommandRoute::SystemControl},
    {1046, 1046, CommandRoute::SystemControl}, {1048, 1048, CommandRoute::SystemControl},
    {1050, 1051, CommandRoute::SystemControl},
};

} // namespace

CommandRoute commandRouteOf(int code)
{
    for (const CodeRange& range : kRoutes) {
        if (code >= range.first && code <= range.last)
            return range.route;
    }
    return CommandRoute::None;
}

} // namespace vexlo

int routeCommand(int loginHandle, int code, const char* text)
{
    if (!text)
        text = "";
    switch (vexlo::commandRouteOf(code)) {
    case vexlo::CommandRoute::GetConfig:
        return IP_NET_DVR_GetDVRConfig(loginHandle, code, 0, nullptr, 0, nullptr);
    case vexlo::CommandRoute::SetConfig:
        return IP_NET_DVR_SetDVRConfig(loginHandle, code, 0, text,
                                       static_cast<int>(std::strlen(text)) + 1);
    case vexlo::CommandRoute::SystemControl:
        return IP_NET_DVR_SystemControl(loginHandle, code, 0, text);
    case vexlo::CommandRoute::None:
        break;
    }
    return -1;
}
