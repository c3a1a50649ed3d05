// The vexlo program itself, started as an installed copy whose folder takes no
// files: the first run's settings go to the user's folder.
#include "tests/support/child_process.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait.h"

#include "profile/config_profile.h"
#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace vexlo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(GuiProgram, ReadOnlyProgramFolderWritesConfigDatToTheUsersFolder)
{
    test::TempDir folder("vexlo-gui-program");
    const fs::path programFolder = folder / "program";
    fs::create_directory(programFolder);
    fs::copy_file(VEXLO_GUI_PATH, programFolder / "vexlo");
    const test::ReadOnlyFolder readOnly(programFolder);
    const fs::path userFolder = folder / "xdg" / "vexlo";

    // Offscreen (inherited from the tests' main). The first run stores its
    // default ticks at once; config.dat is written more than once on the way
    // there, each time whole.
    test::ChildProcess gui;
    ASSERT_TRUE(gui.start(readOnly.launcher(programFolder / "vexlo"),
                          {{"XDG_CONFIG_HOME", (folder / "xdg").string()}}, folder / "gui.err"));
    auto profile = std::make_unique<ConfigProfile>();
    const auto defaultTicksStored = [&] {
        return loadProfile(*profile, userFolder) == kProfileOk && profile->main.searchTick == 1 &&
               profile->main.upgradeTick == 1;
    };
    EXPECT_TRUE(test::waitUntil(defaultTicksStored)) << "see " << (folder / "gui.err");
    gui.signal(SIGTERM);
    gui.wait(10s);
    EXPECT_EQ(profile->main.formatSd1Tick, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(programFolder), fs::directory_iterator()), 1)
        << "only the program itself";
}

} // namespace
} // namespace vexlo
