// Where config.dat goes without --config: beside a portable program, in the
// user's folder for an installed one or one whose folder takes no files.
#include "tests/support/temp_dir.h"

#include "profile/config_location.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vexlo {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& folder)
{
    struct stat status
    {
    };
    return ::stat(folder.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

TEST(ConfigLocation, UserFolderFollowsXdgConfigHomeThenHome)
{
    EXPECT_EQ(userConfigDirectory("/x/config", "/home/ann"), fs::path("/x/config/vexlo"));
    // A relative or empty XDG_CONFIG_HOME is ignored.
    EXPECT_EQ(userConfigDirectory("config", "/home/ann"), fs::path("/home/ann/.config/vexlo"));
    EXPECT_EQ(userConfigDirectory("", "/home/ann"), fs::path("/home/ann/.config/vexlo"));
    // Without either, the account's home; never a relative folder.
    const fs::path fromAccount = userConfigDirectory("", "");
    EXPECT_TRUE(fromAccount.empty() || fromAccount.is_absolute()) << fromAccount;
}

TEST(ConfigLocation, WritableProgramFolderKeepsItsSettingsAndMakesNothingElse)
{
    test::TempDir folder("vexlo-location");
    const fs::path program = folder / "program";
    fs::create_directory(program);
    EXPECT_EQ(chooseConfigDirectory(program, folder / "user" / "vexlo"), program);
    EXPECT_FALSE(fs::exists(folder / "user"));
    EXPECT_TRUE(fs::is_empty(program)) << "the write test leaves nothing behind";
}

TEST(ConfigLocation, FolderWithoutNewFilesOrUnderUsrGivesThePrivateUserFolder)
{
    test::TempDir folder("vexlo-location");
    const fs::path user = folder / "config" / "vexlo";
    // No file can be made in /proc, by root either.
    EXPECT_EQ(chooseConfigDirectory("/proc", user), user);
    EXPECT_EQ(modeOf(user), 0700u);
    EXPECT_EQ(modeOf(folder / "config"), 0700u) << "a missing parent is private too";

    // Root may write to /usr/bin, but the package's folder is never used;
    // an existing user folder is taken as it is.
    ::chmod(user.c_str(), 0750);
    EXPECT_EQ(chooseConfigDirectory("/usr/bin", user), user);
    EXPECT_EQ(chooseConfigDirectory("/usr/local/../bin", user), user);
    EXPECT_EQ(modeOf(user), 0750u);
    EXPECT_EQ(chooseConfigDirectory("/usr/bin", ""), fs::path("/usr/bin"))
        << "without a user folder nothing else is known";
}

} // namespace
} // namespace vexlo
