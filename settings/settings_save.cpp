#include "settings/settings_save.h"

#include "platform/ui_port.h"
#include "profile/profile_fields.h"
#include "profile/profile_file.h"

#include <string>

namespace vexlo {

int saveSettings(ConfigProfile& profile, const std::filesystem::path& directory, UiPort& ui,
                 int language)
{
    const int result = saveProfile(profile, directory);
    ui.showMessage(std::u16string(
        textOf(result == kProfileOk ? kSaveSucceededText : kSaveFailedText, language)));
    return result;
}

bool storedTextsMatch(const ConfigProfile& profile, const ProfileField& first,
                      const ProfileField& second)
{
    return readText(profile, first) == readText(profile, second);
}

} // namespace vexlo
