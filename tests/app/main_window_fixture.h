#pragma once

#include "tests/support/fake_device_library.h"
#include "tests/support/temp_dir.h"

#include "app/headless_front_end.h"
#include "app/main_window.h"
#include "platform/headless_ui_port.h"
#include "profile/config_profile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace vexlo {

// The main window on the headless port, with the test's thread as the
// user-interface thread, the fake device library, its own config folder and a
// high time scale.
class MainWindowTest : public ::testing::Test
{
protected:
    static constexpr double kTimeScale = 100.0;

    MainWindowTest();
    ~MainWindowTest() override;

    // Creates the window and runs its start-up.
    void open();
    // Ticks exactly these instruction check boxes (as clicks would).
    void tickOnly(std::initializer_list<int> checkBoxIds);
    // Serves the user-interface thread until `done` or the real-time limit.
    bool waitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(30));
    // Until the current-action line shows "执行结束".
    bool waitForFinish();

    std::vector<std::u16string> column(int c) const;
    const std::u16string& text(int id) const;
    // The questions and boxes shown so far, in order.
    std::vector<std::u16string> questions;
    std::vector<std::u16string> boxes;
    std::function<bool(const std::u16string&)> answer = [](const std::u16string&) { return true; };

    // The PC address the window is given; empty: the host's (VEXLO_HOST_ADDRESS).
    std::function<std::optional<std::string>()> pcAddress;
    vexlo::test::TempDir folder{"vexlo-mainwindow"};
    const std::filesystem::path directory = folder.path();
    std::unique_ptr<vexlo::ConfigProfile> profile;
    FakeDeviceLibrary library;
    vexlo::HeadlessUiPort port;
    vexlo::HeadlessFrontEnd frontEnd;
    std::unique_ptr<vexlo::CVexloDlg> window;
};

// Writes a config.dat with `change` applied to a zero profile.
void writeProfile(const std::filesystem::path& directory,
                  const std::function<void(vexlo::ConfigProfile&)>& change);

} // namespace vexlo
