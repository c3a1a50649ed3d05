#include "settings/settings_context.h"

#include <ctime>

namespace vexlo {

DateTimeValue localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateTimeValue{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

DateTimeValue contextNow(const SettingsContext& context)
{
    return context.now ? context.now() : localNow();
}

} // namespace vexlo
