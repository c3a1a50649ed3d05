#include "settings_fixture.h"

#include "profile/profile_file.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vexlo::test {

namespace {

std::filesystem::path uniqueFolder()
{
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "vexlo-settings-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++) + "-" + (info ? info->name() : "x");
    return std::filesystem::path(::testing::TempDir()) / name;
}

} // namespace

SettingsFixture::SettingsFixture() : directory(uniqueFolder())
{
    std::filesystem::create_directories(directory);
    window = std::make_unique<COtherSetDlg>(profile, directory, ui, [] { return kFixedNow; });
    window->onInitDialog(800, 500);
    deliverPosted();
}

SettingsFixture::~SettingsFixture()
{
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

void SettingsFixture::deliverPosted()
{
    std::vector<UiMessage> messages;
    messages.swap(ui.posted);
    for (const UiMessage& message : messages)
        window->onMessage(message);
}

std::filesystem::path SettingsFixture::configFile() const
{
    return directory / kProfileFileName;
}

std::vector<char> SettingsFixture::configBytes() const
{
    std::ifstream in(configFile(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vexlo::test
