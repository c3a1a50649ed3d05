#include "profile/config_profile.h"
#include "profile/profile_fields.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace vexlo {
namespace {

struct ExpectedField
{
    std::string_view name;
    std::size_t offset;
    std::size_t width;
};

// The layout of config.dat, field by field, as the file format fixes it.
constexpr ExpectedField kExpectedLayout[] = {
    {"header.tag", 0, 16},
    {"header.version", 16, 4},
    {"header.size", 20, 4},
    {"header.reserved", 24, 32},

    {"main.expectedCountIndex", 56, 4},
    {"main.searchTick", 60, 4},
    {"main.modifyIpTick", 64, 4},
    {"main.useStartAddress", 68, 4},
    {"main.startAddress", 72, 256},
    {"main.subnetMask", 328, 256},
    {"main.gateway", 584, 256},
    {"main.upgradeTick", 840, 4},
    {"main.syncTimeTick", 844, 4},
    {"main.formatTimeoutIndex", 848, 4},
    {"main.formatSd1Tick", 852, 4},
    {"main.formatSd2Tick", 856, 4},
    {"main.formatUsbTick", 860, 4},
    {"main.restoreTick", 864, 4},
    {"main.rebootTick", 868, 4},
    {"main.otherSettingsTick", 872, 4},

    {"lan.enabled", 876, 4},
    {"lan.ipAddress", 880, 256},
    {"lan.netmask", 1136, 256},
    {"lan.gateway", 1392, 256},
    {"lan.dns1", 1648, 256},
    {"lan.dns2", 1904, 256},

    {"cloud.enabled", 2160, 4},
    {"cloud.cloudLogin", 2164, 4},
    {"cloud.syncTime", 2168, 4},

    {"ftp.enabled", 2172, 4},
    {"ftp.servers[0].serverAddress", 2176, 256},
    {"ftp.servers[0].serverPort", 2432, 4},
    {"ftp.servers[0].account", 2436, 256},
    {"ftp.servers[0].password", 2692, 256},
    {"ftp.servers[0].storagePath", 2948, 256},
    {"ftp.servers[1].serverAddress", 3204, 256},
    {"ftp.servers[1].serverPort", 3460, 4},
    {"ftp.servers[1].account", 3464, 256},
    {"ftp.servers[1].password", 3720, 256},
    {"ftp.servers[1].storagePath", 3976, 256},
    {"ftp.servers[2].serverAddress", 4232, 256},
    {"ftp.servers[2].serverPort", 4488, 4},
    {"ftp.servers[2].account", 4492, 256},
    {"ftp.servers[2].password", 4748, 256},
    {"ftp.servers[2].storagePath", 5004, 256},
    {"ftp.servers[3].serverAddress", 5260, 256},
    {"ftp.servers[3].serverPort", 5516, 4},
    {"ftp.servers[3].account", 5520, 256},
    {"ftp.servers[3].password", 5776, 256},
    {"ftp.servers[3].storagePath", 6032, 256},

    {"smtp.enabled", 6288, 4},
    {"smtp.serverAddress", 6292, 256},
    {"smtp.serverPort", 6548, 4},
    {"smtp.secureConnection", 6552, 4},
    {"smtp.account", 6556, 256},
    {"smtp.password", 6812, 256},
    {"smtp.passwordConfirm", 7068, 256},
    {"smtp.sender", 7324, 256},
    {"smtp.recipients[0].toAddress", 7580, 256},
    {"smtp.recipients[0].ccAddress", 7836, 256},
    {"smtp.recipients[0].subject", 8092, 256},
    {"smtp.recipients[1].toAddress", 8348, 256},
    {"smtp.recipients[1].ccAddress", 8604, 256},
    {"smtp.recipients[1].subject", 8860, 256},
    {"smtp.recipients[2].toAddress", 9116, 256},
    {"smtp.recipients[2].ccAddress", 9372, 256},
    {"smtp.recipients[2].subject", 9628, 256},

    {"stream.enabled", 9884, 4},
    {"stream.authRequired", 9888, 4},
    {"stream.streamPort", 9892, 4},
    {"stream.protocol", 9896, 4},
    {"stream.ptzPort", 9900, 4},
    {"stream.webPort", 9904, 4},

    {"platform.enabled", 9908, 4},
    {"platform.platformLogin", 9912, 4},
    {"platform.serverAddress", 9916, 256},
    {"platform.serverPort", 10172, 4},
    {"platform.account", 10176, 256},
    {"platform.password", 10432, 256},

    {"capture.enabled", 10688, 4},
    {"capture.irCutMode", 10692, 4},
    {"capture.keepColour", 10696, 4},
    {"capture.irCutSensitivity", 10700, 4},
    {"capture.nightStart", 10704, 12},
    {"capture.nightEnd", 10716, 12},
    {"capture.brightness", 10728, 4},
    {"capture.saturation", 10732, 4},
    {"capture.sharpness", 10736, 4},
    {"capture.contrast", 10740, 4},
    {"capture.backlight", 10744, 4},
    {"capture.videoStandard", 10748, 4},
    {"capture.dayNight", 10752, 4},
    {"capture.whiteBalance", 10756, 4},
    {"capture.autoExposureWhiteBalance", 10760, 4},
    {"capture.sensorReadout", 10764, 4},
    {"capture.horizontalFlip", 10768, 4},
    {"capture.verticalFlip", 10772, 4},

    {"overlay.enabled", 10776, 4},
    {"overlay.osdEnabled", 10780, 4},
    {"overlay.extraInfo", 10784, 4},
    {"overlay.timePosition", 10788, 4},
    {"overlay.timeFormat", 10792, 4},
    {"overlay.titlePosition", 10796, 4},
    {"overlay.transparency", 10800, 4},
    {"overlay.title", 10804, 256},

    {"videoEncode.enabled", 11060, 4},
    {"videoEncode.mainStream.encodeFormat", 11064, 4},
    {"videoEncode.mainStream.resolution", 11068, 4},
    {"videoEncode.mainStream.bitRateControl", 11072, 4},
    {"videoEncode.mainStream.frameInterval", 11076, 4},
    {"videoEncode.mainStream.bitRate", 11080, 4},
    {"videoEncode.mainStream.frameRate", 11084, 4},
    {"videoEncode.subStream.encodeFormat", 11088, 4},
    {"videoEncode.subStream.resolution", 11092, 4},
    {"videoEncode.subStream.bitRateControl", 11096, 4},
    {"videoEncode.subStream.frameInterval", 11100, 4},
    {"videoEncode.subStream.bitRate", 11104, 4},
    {"videoEncode.subStream.frameRate", 11108, 4},
    {"videoEncode.encodeProfile", 11112, 4},
    {"videoEncode.privateData", 11116, 4},

    {"audioEncode.enabled", 11120, 4},
    {"audioEncode.encodingOn", 11124, 4},
    {"audioEncode.encodeType", 11128, 4},
    {"audioEncode.sampleRate", 11132, 4},
    {"audioEncode.bitRate", 11136, 4},

    {"motion.enabled", 11140, 4},
    {"motion.alarmOn", 11144, 4},
    {"motion.sensitivity", 11148, 4},
    {"motion.alarmThreshold", 11152, 4},
    {"motion.gridSize", 11156, 4},
    {"motion.regionMask", 11160, 64},
    {"motion.nightParametersOn", 11224, 4},
    {"motion.nightStart", 11228, 12},
    {"motion.nightEnd", 11240, 12},
    {"motion.nightSensitivity", 11252, 4},
    {"motion.nightAlarmThreshold", 11256, 4},
    {"motion.schedule[0].active", 11260, 4},
    {"motion.schedule[0].start", 11264, 12},
    {"motion.schedule[0].end", 11276, 12},
    {"motion.schedule[1].active", 11288, 4},
    {"motion.schedule[1].start", 11292, 12},
    {"motion.schedule[1].end", 11304, 12},
    {"motion.schedule[2].active", 11316, 4},
    {"motion.schedule[2].start", 11320, 12},
    {"motion.schedule[2].end", 11332, 12},
    {"motion.schedule[3].active", 11344, 4},
    {"motion.schedule[3].start", 11348, 12},
    {"motion.schedule[3].end", 11360, 12},
    {"motion.schedule[4].active", 11372, 4},
    {"motion.schedule[4].start", 11376, 12},
    {"motion.schedule[4].end", 11388, 12},
    {"motion.schedule[5].active", 11400, 4},
    {"motion.schedule[5].start", 11404, 12},
    {"motion.schedule[5].end", 11416, 12},
    {"motion.schedule[6].active", 11428, 4},
    {"motion.schedule[6].start", 11432, 12},
    {"motion.schedule[6].end", 11444, 12},
    {"motion.schedule[7].active", 11456, 4},
    {"motion.schedule[7].start", 11460, 12},
    {"motion.schedule[7].end", 11472, 12},

    {"account.enabled", 11484, 4},
    {"account.newPassword", 11488, 256},
    {"account.passwordConfirm", 11744, 256},

    {"time.enabled", 12000, 4},
    {"time.updateMode", 12004, 4},
    {"time.timeZone", 12008, 4},
    {"time.manualDateTime", 12012, 12},
    {"time.setTimeFlag", 12024, 4},
    {"time.ntpServer", 12028, 256},
    {"time.ntpPort", 12284, 4},
    {"time.refreshInterval", 12288, 4},

    {"maintain.enabled", 12292, 4},
    {"maintain.maintenanceOn", 12296, 4},
    {"maintain.day", 12300, 4},
    {"maintain.time", 12304, 12},

    {"language.enabled", 12316, 4},
    {"language.languageIndex", 12320, 4},
};

TEST(ProfileLayout, RecordIsTheFileImage)
{
    EXPECT_EQ(sizeof(ConfigProfile), 12324u);
    EXPECT_EQ(alignof(ConfigProfile), 4u);
}

TEST(ProfileLayout, EveryFieldSitsWhereTheFileFormatPutsIt)
{
    for (const ExpectedField& expected : kExpectedLayout) {
        SCOPED_TRACE(std::string(expected.name));
        const ProfileField* field = findProfileField(expected.name);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->offset, expected.offset);
        EXPECT_EQ(field->width, expected.width);
    }
}

TEST(ProfileLayout, TableHasNoFieldBeyondTheKnownLayout)
{
    std::set<std::string_view> expectedNames;
    for (const ExpectedField& expected : kExpectedLayout)
        expectedNames.insert(expected.name);
    for (const ProfileField& field : kProfileFields)
        EXPECT_TRUE(expectedNames.count(field.name)) << field.name;
    EXPECT_EQ(kProfileFields.size(), std::size(kExpectedLayout));
}

TEST(ProfileLayout, SectionsStartWithTheirEnabledFlag)
{
    constexpr std::size_t sectionStarts[] = {876,   2160,  2172,  6288,  9884,  9908,  10688, 10776,
                                             11060, 11120, 11140, 11484, 12000, 12292, 12316};
    std::size_t enabledRows = 0;
    for (const ProfileField& field : kProfileFields) {
        if (!field.name.ends_with(".enabled"))
            continue;
        EXPECT_EQ(field.offset, sectionStarts[enabledRows]) << field.name;
        EXPECT_EQ(field.kind, FieldKind::Int32);
        ++enabledRows;
    }
    EXPECT_EQ(enabledRows, 15u);
}

TEST(ProfileLayout, KindsFollowTheMemberTypes)
{
    EXPECT_EQ(profileField("header.tag").kind, FieldKind::Tag16);
    EXPECT_EQ(profileField("header.version").kind, FieldKind::Float32);
    EXPECT_EQ(profileField("header.reserved").kind, FieldKind::Reserved32);
    EXPECT_EQ(profileField("main.startAddress").kind, FieldKind::Text256);
    EXPECT_EQ(profileField("capture.nightEnd").kind, FieldKind::TimeOfDay);
    EXPECT_EQ(profileField("time.manualDateTime").kind, FieldKind::DateTime);
    EXPECT_EQ(profileField("motion.regionMask").kind, FieldKind::Mask64);
    EXPECT_EQ(profileField("maintain.day").kind, FieldKind::Int32);
}

// The table is built from the structs; writing each struct member directly and
// finding the mark at the row's offset shows both describe the same bytes.
TEST(ProfileLayout, TableRowsAddressTheStructMembers)
{
    ConfigProfile profile{};
    profile.ftp.servers[2].password[0] = 'p';
    profile.smtp.recipients[1].subject[0] = 's';
    profile.videoEncode.subStream.frameRate = 0x11223344;
    profile.motion.schedule[6].end.second = 59;
    profile.motion.regionMask[63] = 1;
    profile.time.manualDateTime.second = 0x0A0B;

    const auto* bytes = reinterpret_cast<const unsigned char*>(&profile);
    EXPECT_EQ(bytes[profileField("ftp.servers[2].password").offset], 'p');
    EXPECT_EQ(bytes[profileField("smtp.recipients[1].subject").offset], 's');
    const std::size_t frameRate = profileField("videoEncode.subStream.frameRate").offset;
    EXPECT_EQ(bytes[frameRate], 0x44); // little-endian
    EXPECT_EQ(bytes[frameRate + 3], 0x11);
    EXPECT_EQ(bytes[profileField("motion.schedule[6].end").offset + 8], 59);
    EXPECT_EQ(bytes[profileField("motion.regionMask").offset + 63], 1);
    EXPECT_EQ(bytes[profileField("time.manualDateTime").offset + 10], 0x0B);
    EXPECT_EQ(bytes[profileField("time.manualDateTime").offset + 11], 0x0A);
}

} // namespace
} // namespace vexlo
