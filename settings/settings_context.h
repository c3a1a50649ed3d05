#pragma once

#include "engine/text_table.h"
#include "platform/dialog_model.h"

#include <filesystem>
#include <functional>

// What every settings page works with: the one profile, the folder of
// config.dat, the port for message boxes, the clock that time pickers start
// from (tests give a fixed one) and the language the texts are shown in.
namespace vexlo {

struct ConfigProfile;
class UiPort;

struct SettingsContext
{
    ConfigProfile& profile;
    std::filesystem::path configDirectory;
    UiPort& ui;
    std::function<DateTimeValue()> now; // empty: the local time
    int language = kLanguageChinese;    // the main window's when the window was opened
};

// The local date and time, to the second.
DateTimeValue localNow();

// The context's clock, or the local time when it has none.
DateTimeValue contextNow(const SettingsContext& context);

} // namespace vexlo
