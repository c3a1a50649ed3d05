#pragma once

#include "profile/config_profile.h"

#include <filesystem>

// config.dat: the profile's byte image, kept in the configuration folder
// (configDirectory() below).
namespace vexlo {

inline constexpr int kProfileOk = 0;
inline constexpr int kProfileCannotOpen = -1;   // load: missing or unopenable; save: not written
inline constexpr int kProfileWrongSize = -2;    // stored size differs from the file length
inline constexpr int kProfileWrongTag = -3;     // not "VX_config_data"
inline constexpr int kProfileWrongVersion = -4; // not version 1.2

inline constexpr const char* kProfileFileName = "config.dat";

// Reads directory/config.dat into `profile`. Returns kProfileOk, or one of the
// negative codes above. On kProfileCannotOpen the record is unchanged; after a
// rejected header (-2, -3, -4) the record holds that header and zeros
// elsewhere. A short file whose stored size equals its length is accepted and
// the rest of the record is zero.
int loadProfile(ConfigProfile& profile, const std::filesystem::path& directory);

// Stamps the header (tag, version 1.2, size 12324; the reserved bytes stay as
// they are) and writes the whole record to directory/config.dat. The file is
// replaced in one step, so a crash or a full disk leaves the previous file
// whole. Returns kProfileOk, or kProfileCannotOpen when the file could not be
// written completely.
int saveProfile(ConfigProfile& profile, const std::filesystem::path& directory);

// The folder of the running executable.
std::filesystem::path moduleDirectory();

// The folder of config.dat for this process: the one a front end set
// (--config DIR), else defaultConfigDirectory() (profile/config_location.h),
// decided once.
std::filesystem::path configDirectory();
void setConfigDirectory(const std::filesystem::path& directory);

// loadProfile / saveProfile in configDirectory().
int loadProfile(ConfigProfile& profile);
int saveProfile(ConfigProfile& profile);

// The one profile of the process, zero-filled at start.
ConfigProfile& processProfile();

} // namespace vexlo
