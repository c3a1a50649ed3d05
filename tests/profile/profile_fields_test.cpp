#include "profile/profile_fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vexlo {
namespace {

bool allZero(const ConfigProfile& profile)
{
    const ConfigProfile zero{};
    return std::memcmp(&profile, &zero, sizeof(profile)) == 0;
}

TEST(ProfileFieldAccess, FindsRowsByNameAtRunTime)
{
    const ProfileField* ntp = findProfileField("time.ntpServer");
    ASSERT_NE(ntp, nullptr);
    EXPECT_EQ(ntp->offset, 12028u);
    EXPECT_EQ(findProfileField("time.ntpserver"), nullptr);
    EXPECT_EQ(findProfileField(""), nullptr);
}

TEST(ProfileFieldAccess, Int32RowsReadAndWriteTheMember)
{
    ConfigProfile profile{};
    EXPECT_TRUE(writeInt32(profile, profileField("stream.webPort"), 8080));
    EXPECT_TRUE(writeInt32(profile, profileField("main.expectedCountIndex"), -7));
    EXPECT_EQ(profile.stream.webPort, 8080);
    EXPECT_EQ(profile.main.expectedCountIndex, -7);
    EXPECT_EQ(readInt32(profile, profileField("stream.webPort")), 8080);

    profile.maintain.day = 7;
    EXPECT_EQ(readInt32(profile, profileField("maintain.day")), 7);
}

TEST(ProfileFieldAccess, RowsOfAnotherKindAreRefused)
{
    ConfigProfile profile{};
    EXPECT_FALSE(writeInt32(profile, profileField("lan.ipAddress"), 1));
    EXPECT_FALSE(writeText(profile, profileField("lan.enabled"), "1"));
    EXPECT_FALSE(writeTimeOfDay(profile, profileField("time.manualDateTime"), {1, 2, 3}));
    EXPECT_FALSE(writeDateTime(profile, profileField("maintain.time"), {2024, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(allZero(profile));

    std::memset(&profile, 0x41, sizeof(profile));
    EXPECT_EQ(readInt32(profile, profileField("lan.ipAddress")), 0);
    EXPECT_TRUE(readText(profile, profileField("lan.enabled")).empty());
}

TEST(ProfileFieldAccess, RowsOutsideTheRecordAreRefused)
{
    ConfigProfile profile{};
    const ProfileField beyond{"beyond", 12322, 4, FieldKind::Int32};
    EXPECT_FALSE(writeInt32(profile, beyond, 5));
    EXPECT_EQ(readInt32(profile, beyond), 0);
    EXPECT_TRUE(fieldBytes(profile, beyond).empty());
    const ProfileField huge{"huge", 8, ~std::size_t{0} - 4, FieldKind::Int32};
    EXPECT_TRUE(fieldBytes(profile, huge).empty());
    EXPECT_TRUE(allZero(profile));
}

TEST(ProfileFieldAccess, TextIsCutTo255BytesAndTerminated)
{
    ConfigProfile profile{};
    const ProfileField& title = profileField("overlay.title");
    EXPECT_TRUE(writeText(profile, title, std::string(300, 'a')));
    EXPECT_EQ(readText(profile, title), std::string(255, 'a'));
    EXPECT_EQ(profile.overlay.title[255], '\0');
    // The field after the title is untouched.
    EXPECT_EQ(profile.videoEncode.enabled, 0);

    // A shorter text clears what the longer one left behind.
    EXPECT_TRUE(writeText(profile, title, "ab"));
    EXPECT_EQ(readText(profile, title), "ab");
    for (std::size_t i = 2; i < kProfileTextSize; ++i)
        ASSERT_EQ(profile.overlay.title[i], '\0') << i;
}

TEST(ProfileFieldAccess, TextCutNeverSplitsAChineseCharacter)
{
    ConfigProfile profile{};
    const ProfileField& subject = profileField("smtp.recipients[2].subject");
    std::string gbk;
    for (int i = 0; i < 128; ++i)
        gbk += "\xB1\xB1"; // 北, two bytes: 256 bytes in all
    EXPECT_TRUE(writeText(profile, subject, gbk));
    EXPECT_EQ(readText(profile, subject).size(), 254u);

    EXPECT_TRUE(writeTextUtf16(profile, subject, u"北京"));
    EXPECT_EQ(readText(profile, subject), "\xB1\xB1\xBE\xA9");
    EXPECT_EQ(readTextUtf16(profile, subject), u"北京");
}

TEST(ProfileFieldAccess, UnterminatedTextIsReadWithinTheField)
{
    ConfigProfile profile{};
    std::memset(profile.lan.dns1, 'x', sizeof(profile.lan.dns1));
    std::memset(profile.lan.dns2, 'y', sizeof(profile.lan.dns2));
    EXPECT_EQ(readText(profile, profileField("lan.dns1")), std::string(256, 'x'));
}

TEST(ProfileFieldAccess, TimeAndDateRowsCarryAllTheirParts)
{
    ConfigProfile profile{};
    EXPECT_TRUE(writeTimeOfDay(profile, profileField("motion.schedule[3].start"), {23, 59, 58}));
    EXPECT_EQ(profile.motion.schedule[3].start.hour, 23);
    EXPECT_EQ(profile.motion.schedule[3].start.minute, 59);
    EXPECT_EQ(profile.motion.schedule[3].start.second, 58);
    EXPECT_EQ(profile.motion.schedule[3].end.hour, 0);

    EXPECT_TRUE(
        writeDateTime(profile, profileField("time.manualDateTime"), {2026, 12, 31, 23, 59, 30}));
    const ProfileDateTime read = readDateTime(profile, profileField("time.manualDateTime"));
    EXPECT_EQ(read.year, 2026);
    EXPECT_EQ(read.month, 12);
    EXPECT_EQ(read.second, 30);
    EXPECT_EQ(profile.time.setTimeFlag, 0);
}

TEST(ProfileFieldAccess, MaskBytesAreTheRegionCells)
{
    ConfigProfile profile{};
    auto mask = fieldBytes(profile, profileField("motion.regionMask"));
    ASSERT_EQ(mask.size(), 64u);
    mask[0] = std::byte{1};
    mask[63] = std::byte{1};
    EXPECT_EQ(profile.motion.regionMask[0], 1);
    EXPECT_EQ(profile.motion.regionMask[63], 1);
    EXPECT_EQ(profile.motion.nightParametersOn, 0);
}

} // namespace
} // namespace vexlo
