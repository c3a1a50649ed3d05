#include "profile/config_location.h"
#include "profile/profile_file.h"

#include <mutex>
#include <optional>
#include <system_error>

namespace vexlo {
namespace {

std::mutex& configDirectoryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Empty until a front end chooses a folder, or the first call decides the
// default one.
std::optional<std::filesystem::path>& chosenConfigDirectory()
{
    static std::optional<std::filesystem::path> directory;
    return directory;
}

} // namespace

std::filesystem::path moduleDirectory()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || executable.empty())
        return std::filesystem::current_path(error);
    return executable.parent_path();
}

std::filesystem::path configDirectory()
{
    std::lock_guard lock(configDirectoryMutex());
    if (!chosenConfigDirectory())
        chosenConfigDirectory() = defaultConfigDirectory();
    return *chosenConfigDirectory();
}

void setConfigDirectory(const std::filesystem::path& directory)
{
    std::lock_guard lock(configDirectoryMutex());
    chosenConfigDirectory() = directory;
}

int loadProfile(ConfigProfile& profile)
{
    return loadProfile(profile, configDirectory());
}

int saveProfile(ConfigProfile& profile)
{
    return saveProfile(profile, configDirectory());
}

ConfigProfile& processProfile()
{
    static ConfigProfile profile{};
    return profile;
}

} // namespace vexlo
