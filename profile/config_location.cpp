#include "profile/config_location.h"

#include "profile/profile_file.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vexlo {
namespace {

namespace fs = std::filesystem;

// Under /usr the package manager owns the files, and every user would share
// one config.dat, even where root could write there.
bool isUnderUsr(const fs::path& folder)
{
    const fs::path normal = folder.lexically_normal();
    auto part = normal.begin();
    return part != normal.end() && *part == "/" && ++part != normal.end() && *part == "usr";
}

// Whether a file can be made in `folder`: tried for real, because permissions,
// access lists and a read-only mount all decide it, for root too.
bool takesNewFiles(const fs::path& folder)
{
    std::string probe = (folder / ".vexlo-write-test-XXXXXX").string();
    const int descriptor = ::mkstemp(probe.data());
    if (descriptor < 0)
        return false;
    ::close(descriptor);
    ::unlink(probe.c_str());
    return true;
}

// mkdir -p with mode 0700 for every folder it makes.
void makePrivateFolders(const fs::path& folder)
{
    fs::path made;
    for (const fs::path& part : folder) {
        made /= part;
        std::error_code error;
        if (::mkdir(made.c_str(), 0700) != 0 && !fs::is_directory(made, error))
            return; // saving there will fail and say why
    }
}

} // namespace

fs::path userConfigDirectory(const std::string& xdgConfigHome, const std::string& home)
{
    // Relative values are to be ignored, as the XDG base directory rules say.
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
        return fs::path(xdgConfigHome) / "vexlo";
    if (!home.empty() && home.front() == '/')
        return fs::path(home) / ".config" / "vexlo";
    if (const passwd* account = ::getpwuid(::getuid());
        account && account->pw_dir && account->pw_dir[0] == '/')
        return fs::path(account->pw_dir) / ".config" / "vexlo";
    return {};
}

fs::path chooseConfigDirectory(const fs::path& programFolder, const fs::path& userFolder)
{
    if (userFolder.empty() || (!isUnderUsr(programFolder) && takesNewFiles(programFolder)))
        return programFolder;
    makePrivateFolders(userFolder);
    return userFolder;
}

fs::path defaultConfigDirectory()
{
    const char* xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return chooseConfigDirectory(
        moduleDirectory(),
        userConfigDirectory(xdgConfigHome ? xdgConfigHome : "", home ? home : ""));
}

} // namespace vexlo
