#pragma once

#include <filesystem>
#include <string_view>

// The Save buttons of the settings pages. Each writes the whole profile, so a
// Save on one page also writes what was changed on the others and in the main
// window.
namespace vexlo {

struct ConfigProfile;
struct ProfileField;
class UiPort;

inline constexpr std::u16string_view kSaveSucceededText = u"保存成功!";
inline constexpr std::u16string_view kSaveFailedText = u"保存失败!";
inline constexpr std::u16string_view kPasswordMismatchText = u"两次密码不同！";

// Writes config.dat and reports the result in a message box. Returns what
// saveProfile returned (0 when written).
int saveSettings(ConfigProfile& profile, const std::filesystem::path& directory, UiPort& ui);

// The two stored texts compared up to their first NUL, exactly.
bool storedTextsMatch(const ConfigProfile& profile, const ProfileField& first,
                      const ProfileField& second);

} // namespace vexlo
