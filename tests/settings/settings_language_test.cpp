#include "settings_fixture.h"

#include "profile/profile_file.h"
#include "settings/page_table.h"
#include "settings/settings_page.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace vexlo::test {
namespace {

std::vector<unsigned char> profileBytes(const ConfigProfile& profile)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&profile);
    return {bytes, bytes + sizeof(ConfigProfile)};
}

int lastItem(const ControlRow& row)
{
    return static_cast<int>(row.items.size()) - 1;
}

// Calls `visit` with every list of the window and its row.
template <class Visit> void forEachList(COtherSetDlg& window, Visit visit)
{
    for (const SettingsPageEntry& entry : settingsPages())
        for (const ControlRow& row : entry.definition().rows)
            if (!row.items.empty())
                visit(window.page(entry.index).model(), row);
}

using LanguageTest = SettingsFixture;

TEST_F(LanguageTest, EnglishRewritesTheTextsButNoSelectionOrStoredByte)
{
    // Last entries everywhere, so a list that lost or moved its selection shows.
    forEachList(*window, [](DialogModel& model, const ControlRow& row) {
        model.userSelect(row.id, lastItem(row));
    });
    const std::vector<unsigned char> stored = profileBytes(profile);

    window->setLanguage(kLanguageEnglish);
    EXPECT_EQ(profileBytes(profile), stored);
    forEachList(*window, [](DialogModel& model, const ControlRow& row) {
        EXPECT_EQ(model.selection(row.id), lastItem(row)) << row.id;
    });
    EXPECT_EQ(window->page(12).model().selectedText(1021),
              u"(GMT+12:00) Fiji, Kamchatka, Marshall Is., Wellington");

    // The message boxes of Save: written, refused for a password, failed.
    window->page(0).model().userClick(1105);
    DialogModel& account = window->page(11).model();
    account.userEditText(1089, u"a");
    account.userClick(1199);
    std::filesystem::remove_all(directory);
    std::ofstream(directory) << "a file where the folder should be";
    window->page(0).model().userClick(1105);
    EXPECT_EQ(ui.boxes, (std::vector<std::u16string>{u"Saved.", u"The passwords do not match.",
                                                     u"Save failed."}));

    // Back in Chinese, the texts are the ones the window always had.
    window->setLanguage(kLanguageChinese);
    EXPECT_EQ(window->title(), u"其它设置");
    EXPECT_EQ(window->tree().items()[1].label, u"网络设置");
    EXPECT_EQ(window->page(0).model().text(1059), u"设置以太网");
    EXPECT_EQ(window->page(12).model().selectedText(1021),
              u"(GMT+12:00)富士，勘察加半岛，马绍尔群岛，惠灵顿");
    account.userClick(1199);
    EXPECT_EQ(ui.boxes.back(), u"两次密码不同！");
}

// The same choices, made in one language or the other, leave the same config.dat.
TEST(SettingsLanguage, WhatIsSavedInEnglishIsWhatIsSavedInChinese)
{
    std::vector<char> saved[2];
    for (const int language : {kLanguageChinese, kLanguageEnglish}) {
        ConfigProfile profile{};
        RecordingUiPort ui;
        const std::filesystem::path directory =
            std::filesystem::path(::testing::TempDir()) /
            ("vexlo-settings-language-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        COtherSetDlg window(profile, directory, ui, [] { return kFixedNow; });
        window.setLanguage(language);
        window.onInitDialog(800, 500);
        forEachList(window, [](DialogModel& model, const ControlRow& row) {
            model.userSelect(row.id, row.id % static_cast<int>(row.items.size()));
        });
        window.page(0).model().userClick(1105);
        std::ifstream in(directory / kProfileFileName, std::ios::binary);
        saved[language].assign(std::istreambuf_iterator<char>(in), {});
        std::filesystem::remove_all(directory);
    }
    ASSERT_FALSE(saved[kLanguageChinese].empty());
    EXPECT_TRUE(saved[kLanguageChinese] == saved[kLanguageEnglish]);
}

} // namespace
} // namespace vexlo::test
