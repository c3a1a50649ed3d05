#pragma once

#include "platform/ui_port.h"
#include "profile/config_profile.h"
#include "settings/other_set_dlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vexlo::test {

// A port that records what the settings window posts and shows.
class RecordingUiPort : public UiPort
{
public:
    void post(UiMessage message) override { posted.push_back(std::move(message)); }
    LPARAM send(UiMessage) override { return 0; }
    void removePosted(std::uint32_t) override {}
    void setTimer(std::uint32_t, std::uint32_t) override {}
    void killTimer(std::uint32_t) override {}
    bool askYesNo(const std::u16string&) override { return true; }
    void showMessage(const std::u16string& text) override { boxes.push_back(text); }
    void waitWhileHandling(std::uint32_t) override {}

    std::vector<UiMessage> posted;
    std::vector<std::u16string> boxes;
};

inline constexpr DateTimeValue kFixedNow{2026, 12, 7, 9, 30, 15};

// A settings window over a zeroed profile, its config.dat in a folder of its
// own, its clock stopped at kFixedNow.
class SettingsFixture : public ::testing::Test
{
protected:
    SettingsFixture();
    ~SettingsFixture() override;

    // Hands the posted messages to the window, as the main window does.
    void deliverPosted();
    std::filesystem::path configFile() const;
    std::vector<char> configBytes() const;

    ConfigProfile profile{};
    std::filesystem::path directory;
    RecordingUiPort ui;
    std::unique_ptr<COtherSetDlg> window;
};

} // namespace vexlo::test
