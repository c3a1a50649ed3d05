#include "settings_fixture.h"

#include "profile/profile_file.h"
#include "settings/settings_page.h"
#include "settings/settings_save.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace vexlo::test {
namespace {

using SaveTest = SettingsFixture;

constexpr int kEthernetSave = 1105;
constexpr int kSmtpSave = 1138;
constexpr int kAccountSave = 1199;

TEST_F(SaveTest, SaveOnOnePageWritesEditsMadeOnAnother)
{
    window->page(2).model().userEditText(1111, u"ftp.example.test");
    window->page(0).model().userClick(1059);
    window->page(0).model().userClick(kEthernetSave);

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes.back(), u"保存成功!");
    EXPECT_EQ(window->page(0).lastSaveResult(), kProfileOk);

    ConfigProfile loaded{};
    ASSERT_EQ(loadProfile(loaded, directory), kProfileOk);
    EXPECT_STREQ(loaded.ftp.servers[0].serverAddress, "ftp.example.test");
    EXPECT_EQ(loaded.lan.enabled, 1);
}

TEST_F(SaveTest, AFailedSaveSaysSoAndKeepsTheEdits)
{
    std::filesystem::remove_all(directory);
    std::ofstream(directory) << "a file where the folder should be";
    window->page(14).model().userSelect(1201, 2);
    window->page(14).model().userClick(1202);

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes.back(), u"保存失败!");
    EXPECT_NE(window->page(14).lastSaveResult(), kProfileOk);
    EXPECT_EQ(profile.language.languageIndex, 2);
}

TEST_F(SaveTest, MismatchedSmtpPasswordLeavesConfigDatUnchanged)
{
    DialogModel& smtp = window->page(3).model();
    smtp.userClick(kSmtpSave); // two empty fields are equal
    ASSERT_EQ(ui.boxes.back(), u"保存成功!");
    const std::vector<char> before = configBytes();

    smtp.userEditText(1131, u"Secret1");
    smtp.userEditText(1132, u"Secret2");
    smtp.userClick(kSmtpSave);

    EXPECT_EQ(ui.boxes.back(), u"两次密码不同！");
    EXPECT_FALSE(window->page(3).lastSaveResult().has_value());
    EXPECT_EQ(configBytes(), before);
    EXPECT_STREQ(profile.smtp.password, "Secret1") << "the typed password stays in memory";

    smtp.userEditText(1132, u"Secret1");
    smtp.userClick(kSmtpSave);
    EXPECT_EQ(ui.boxes.back(), u"保存成功!");
    EXPECT_NE(configBytes(), before);
}

TEST_F(SaveTest, MismatchedAdminPasswordLeavesConfigDatUnchanged)
{
    window->page(0).model().userClick(kEthernetSave);
    const std::vector<char> before = configBytes();

    DialogModel& account = window->page(11).model();
    account.userEditText(1089, u"Admin123");
    account.userEditText(1086, u"admin123"); // differs only in case
    account.userClick(kAccountSave);

    EXPECT_EQ(ui.boxes.back(), u"两次密码不同！");
    EXPECT_EQ(configBytes(), before);
}

TEST_F(SaveTest, MatchingAdminPasswordIsWrittenTwice)
{
    DialogModel& account = window->page(11).model();
    account.userEditText(1089, u"Admin123");
    account.userEditText(1086, u"Admin123");
    account.userClick(kAccountSave);

    EXPECT_EQ(ui.boxes.back(), u"保存成功!");
    const std::vector<char> bytes = configBytes();
    ASSERT_EQ(bytes.size(), kProfileSize);
    EXPECT_EQ(std::memcmp(&bytes[11488], "Admin123", 9), 0);
    EXPECT_EQ(std::memcmp(&bytes[11744], "Admin123", 9), 0);
}

TEST_F(SaveTest, PasswordsAreComparedOnlyUpToTheirEnd)
{
    // Bytes after the terminator (from an edited file) do not count.
    std::strcpy(profile.account.newPassword, "same");
    std::strcpy(profile.account.passwordConfirm, "same");
    profile.account.passwordConfirm[100] = 'x';
    window->page(11).model().userClick(kAccountSave);
    EXPECT_EQ(ui.boxes.back(), u"保存成功!");
}

TEST_F(SaveTest, EscapeIsSwallowedEverywhere)
{
    EXPECT_TRUE(window->swallowsKey(kEscapeKey));
    EXPECT_TRUE(window->tree().swallowsKey(kEscapeKey));
    for (int index = 0; index < 15; ++index)
        EXPECT_TRUE(window->page(index).swallowsKey(kEscapeKey));
    EXPECT_FALSE(window->page(0).swallowsKey(0x0D));
}

} // namespace
} // namespace vexlo::test
