// An installed vexlo-cli, whose folder takes no files, keeps the settings in
// the user's folder, and what one run stores the next one finds.
#include "cli_site.h"
#include "tests/support/read_only_folder.h"

#include "profile/config_profile.h"
#include "profile/profile_file.h"

#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace vexlo {

using namespace cli_test;

namespace {

mode_t modeOf(const fs::path& path)
{
    struct stat status
    {
    };
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace

TEST_F(CliEndToEnd, ReadOnlyProgramFolderKeepsTheSettingsInTheUsersFolderAcrossRuns)
{
    startSite({R"("serial": "OK0001", "protocol": "onvif")"});
    const fs::path programFolder = m_directory / "program";
    const fs::path program = programFolder / "vexlo-cli";
    fs::create_directory(programFolder);
    fs::copy_file(VEXLO_CLI_PATH, program);
    const vexlo::test::ReadOnlyFolder readOnly(programFolder);
    m_launcher = readOnly.launcher(program);
    m_giveConfigFolder = false;
    m_environment = {{"XDG_CONFIG_HOME", (m_directory / "xdg").string()},
                     {"HOME", (m_directory / "home").string()}};
    const fs::path userFolder = m_directory / "xdg" / "vexlo";

    const CliRun first = cli({"--protocol", "onvif", "--expect", "1", "--sync-time"});
    EXPECT_EQ(first.status6("OK0001"), "同步时间成功") << dump(first);
    EXPECT_EQ(modeOf(userFolder), 0700u) << "made private by the first run";

    // A new password in the user's config.dat reaches the camera, and the
    // camera's new login is kept beside it ...
    auto profile = std::make_unique<ConfigProfile>();
    std::memset(static_cast<void*>(profile.get()), 0, sizeof(ConfigProfile));
    profile->account.enabled = 1;
    std::strcpy(profile->account.newPassword, "kept-pass-2");
    std::strcpy(profile->account.passwordConfirm, "kept-pass-2");
    ASSERT_EQ(saveProfile(*profile, userFolder), kProfileOk);
    const CliRun push = cli({"--protocol", "onvif", "--expect", "1", "--other-settings"});
    EXPECT_EQ(push.status, 0) << dump(push);
    EXPECT_TRUE(push.has("row\tOK0001\t6\t设置admin帐号成功")) << dump(push);
    EXPECT_EQ(modeOf(userFolder / "credentials.json"), 0600u);

    // ... so the next run signs in with it.
    const CliRun next = cli({"--protocol", "onvif", "--expect", "1", "--sync-time"});
    EXPECT_EQ(next.status6("OK0001"), "同步时间成功") << dump(next);
    EXPECT_FALSE(fs::exists(m_directory / "home")) << "XDG_CONFIG_HOME wins over HOME";
    std::vector<std::string> inProgramFolder;
    for (const auto& entry : fs::directory_iterator(programFolder))
        inProgramFolder.push_back(entry.path().filename().string());
    EXPECT_EQ(inProgramFolder, std::vector<std::string>{"vexlo-cli"});
}

} // namespace vexlo
