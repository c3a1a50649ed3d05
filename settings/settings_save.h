#pragma once

#include "settings/page_text.h"

#include <filesystem>

// The Save buttons of the settings pages. Each writes the whole profile, so a
// Save on one page also writes what was changed on the others and in the main
// window.
namespace vexlo {

struct ConfigProfile;
struct ProfileField;
class UiPort;

inline constexpr PageText kSaveSucceededText{u"保存成功!", u"Saved."};
inline constexpr PageText kSaveFailedText{u"保存失败!", u"Save failed."};
inline constexpr PageText kPasswordMismatchText{u"两次密码不同！", u"The passwords do not match."};

// Writes config.dat and reports the result in a message box in `language`.
// Returns what saveProfile returned (0 when written).
int saveSettings(ConfigProfile& profile, const std::filesystem::path& directory, UiPort& ui,
                 int language);

// The two stored texts compared up to their first NUL, exactly.
bool storedTextsMatch(const ConfigProfile& profile, const ProfileField& first,
                      const ProfileField& second);

} // namespace vexlo
