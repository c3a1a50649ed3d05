#pragma once

#include "profile/config_profile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// One table of every field of ConfigProfile: its name, absolute offset, width
// and kind. Settings pages bind each control to a row; generic code reads and
// writes a field by its row; tests walk the table. Offsets and widths are taken
// from the structs themselves, and profile_fields.cpp checks at compile time
// that the rows cover the record byte for byte, so the table cannot drift from
// the layout.
namespace vexlo {

enum class FieldKind
{
    Unknown, // a member type the table does not know: rejected at compile time
    Tag16,
    Float32,
    Reserved32,
    Int32,     // tick, combo index or number
    Text256,   // NUL-terminated GBK text, at most 255 bytes
    TimeOfDay, // hour, minute, second as three int32
    DateTime,  // year, month, day, hour, minute, second as six uint16
    Mask64,    // one byte per motion region cell
};

template <typename T> inline constexpr FieldKind kFieldKindOf = FieldKind::Unknown;
template <> inline constexpr FieldKind kFieldKindOf<char[16]> = FieldKind::Tag16;
template <> inline constexpr FieldKind kFieldKindOf<float> = FieldKind::Float32;
template <> inline constexpr FieldKind kFieldKindOf<std::uint8_t[32]> = FieldKind::Reserved32;
template <> inline constexpr FieldKind kFieldKindOf<std::int32_t> = FieldKind::Int32;
template <> inline constexpr FieldKind kFieldKindOf<char[kProfileTextSize]> = FieldKind::Text256;
template <> inline constexpr FieldKind kFieldKindOf<TimeOfDay> = FieldKind::TimeOfDay;
template <> inline constexpr FieldKind kFieldKindOf<ProfileDateTime> = FieldKind::DateTime;
template <>
inline constexpr FieldKind kFieldKindOf<std::uint8_t[kMotionRegionCells]> = FieldKind::Mask64;

struct ProfileField
{
    std::string_view name; // the member path in ConfigProfile, e.g. "ftp.servers[2].password"
    std::size_t offset;    // from the start of the record and of config.dat
    std::size_t width;
    FieldKind kind;
};

// A row for one member of ConfigProfile; the name is the member path as written.
// clang-format off
#define VEXLO_PROFILE_FIELD(member)                                                                \
    ProfileField{#member, offsetof(ConfigProfile, member),                                         \
                 sizeof(std::declval<ConfigProfile&>().member),                                    \
                 kFieldKindOf<decltype(std::declval<ConfigProfile&>().member)>}
// clang-format on

// Every field in record order.
inline constexpr auto kProfileFields = std::to_array<ProfileField>({
    VEXLO_PROFILE_FIELD(header.tag),
    VEXLO_PROFILE_FIELD(header.version),
    VEXLO_PROFILE_FIELD(header.size),
    VEXLO_PROFILE_FIELD(header.reserved),

    VEXLO_PROFILE_FIELD(main.expectedCountIndex),
    VEXLO_PROFILE_FIELD(main.searchTick),
    VEXLO_PROFILE_FIELD(main.modifyIpTick),
    VEXLO_PROFILE_FIELD(main.useStartAddress),
    VEXLO_PROFILE_FIELD(main.startAddress),
    VEXLO_PROFILE_FIELD(main.subnetMask),
    VEXLO_PROFILE_FIELD(main.gateway),
    VEXLO_PROFILE_FIELD(main.upgradeTick),
    VEXLO_PROFILE_FIELD(main.syncTimeTick),
    VEXLO_PROFILE_FIELD(main.formatTimeoutIndex),
    VEXLO_PROFILE_FIELD(main.formatSd1Tick),
    VEXLO_PROFILE_FIELD(main.formatSd2Tick),
    VEXLO_PROFILE_FIELD(main.formatUsbTick),
    VEXLO_PROFILE_FIELD(main.restoreTick),
    VEXLO_PROFILE_FIELD(main.rebootTick),
    VEXLO_PROFILE_FIELD(main.otherSettingsTick),

    VEXLO_PROFILE_FIELD(lan.enabled),
    VEXLO_PROFILE_FIELD(lan.ipAddress),
    VEXLO_PROFILE_FIELD(lan.netmask),
    VEXLO_PROFILE_FIELD(lan.gateway),
    VEXLO_PROFILE_FIELD(lan.dns1),
    VEXLO_PROFILE_FIELD(lan.dns2),

    VEXLO_PROFILE_FIELD(cloud.enabled),
    VEXLO_PROFILE_FIELD(cloud.cloudLogin),
    VEXLO_PROFILE_FIELD(cloud.syncTime),

    VEXLO_PROFILE_FIELD(ftp.enabled),
    VEXLO_PROFILE_FIELD(ftp.servers[0].serverAddress),
    VEXLO_PROFILE_FIELD(ftp.servers[0].serverPort),
    VEXLO_PROFILE_FIELD(ftp.servers[0].account),
    VEXLO_PROFILE_FIELD(ftp.servers[0].password),
    VEXLO_PROFILE_FIELD(ftp.servers[0].storagePath),
    VEXLO_PROFILE_FIELD(ftp.servers[1].serverAddress),
    VEXLO_PROFILE_FIELD(ftp.servers[1].serverPort),
    VEXLO_PROFILE_FIELD(ftp.servers[1].account),
    VEXLO_PROFILE_FIELD(ftp.servers[1].password),
    VEXLO_PROFILE_FIELD(ftp.servers[1].storagePath),
    VEXLO_PROFILE_FIELD(ftp.servers[2].serverAddress),
    VEXLO_PROFILE_FIELD(ftp.servers[2].serverPort),
    VEXLO_PROFILE_FIELD(ftp.servers[2].account),
    VEXLO_PROFILE_FIELD(ftp.servers[2].password),
    VEXLO_PROFILE_FIELD(ftp.servers[2].storagePath),
    VEXLO_PROFILE_FIELD(ftp.servers[3].serverAddress),
    VEXLO_PROFILE_FIELD(ftp.servers[3].serverPort),
    VEXLO_PROFILE_FIELD(ftp.servers[3].account),
    VEXLO_PROFILE_FIELD(ftp.servers[3].password),
    VEXLO_PROFILE_FIELD(ftp.servers[3].storagePath),

    VEXLO_PROFILE_FIELD(smtp.enabled),
    VEXLO_PROFILE_FIELD(smtp.serverAddress),
    VEXLO_PROFILE_FIELD(smtp.serverPort),
    VEXLO_PROFILE_FIELD(smtp.secureConnection),
    VEXLO_PROFILE_FIELD(smtp.account),
    VEXLO_PROFILE_FIELD(smtp.password),
    VEXLO_PROFILE_FIELD(smtp.passwordConfirm),
    VEXLO_PROFILE_FIELD(smtp.sender),
    VEXLO_PROFILE_FIELD(smtp.recipients[0].toAddress),
    VEXLO_PROFILE_FIELD(smtp.recipients[0].ccAddress),
    VEXLO_PROFILE_FIELD(smtp.recipients[0].subject),
    VEXLO_PROFILE_FIELD(smtp.recipients[1].toAddress),
    VEXLO_PROFILE_FIELD(smtp.recipients[1].ccAddress),
    VEXLO_PROFILE_FIELD(smtp.recipients[1].subject),
    VEXLO_PROFILE_FIELD(smtp.recipients[2].toAddress),
    VEXLO_PROFILE_FIELD(smtp.recipients[2].ccAddress),
    VEXLO_PROFILE_FIELD(smtp.recipients[2].subject),

    VEXLO_PROFILE_FIELD(stream.enabled),
    VEXLO_PROFILE_FIELD(stream.authRequired),
    VEXLO_PROFILE_FIELD(stream.streamPort),
    VEXLO_PROFILE_FIELD(stream.protocol),
    VEXLO_PROFILE_FIELD(stream.ptzPort),
    VEXLO_PROFILE_FIELD(stream.webPort),

    VEXLO_PROFILE_FIELD(platform.enabled),
    VEXLO_PROFILE_FIELD(platform.platformLogin),
    VEXLO_PROFILE_FIELD(platform.serverAddress),
    VEXLO_PROFILE_FIELD(platform.serverPort),
    VEXLO_PROFILE_FIELD(platform.account),
    VEXLO_PROFILE_FIELD(platform.password),

    VEXLO_PROFILE_FIELD(capture.enabled),
    VEXLO_PROFILE_FIELD(capture.irCutMode),
    VEXLO_PROFILE_FIELD(capture.keepColour),
    VEXLO_PROFILE_FIELD(capture.irCutSensitivity),
    VEXLO_PROFILE_FIELD(capture.nightStart),
    VEXLO_PROFILE_FIELD(capture.nightEnd),
    VEXLO_PROFILE_FIELD(capture.brightness),
    VEXLO_PROFILE_FIELD(capture.saturation),
    VEXLO_PROFILE_FIELD(capture.sharpness),
    VEXLO_PROFILE_FIELD(capture.contrast),
    VEXLO_PROFILE_FIELD(capture.backlight),
    VEXLO_PROFILE_FIELD(capture.videoStandard),
    VEXLO_PROFILE_FIELD(capture.dayNight),
    VEXLO_PROFILE_FIELD(capture.whiteBalance),
    VEXLO_PROFILE_FIELD(capture.autoExposureWhiteBalance),
    VEXLO_PROFILE_FIELD(capture.sensorReadout),
    VEXLO_PROFILE_FIELD(capture.horizontalFlip),
    VEXLO_PROFILE_FIELD(capture.verticalFlip),

    VEXLO_PROFILE_FIELD(overlay.enabled),
    VEXLO_PROFILE_FIELD(overlay.osdEnabled),
    VEXLO_PROFILE_FIELD(overlay.extraInfo),
    VEXLO_PROFILE_FIELD(overlay.timePosition),
    VEXLO_PROFILE_FIELD(overlay.timeFormat),
    VEXLO_PROFILE_FIELD(overlay.titlePosition),
    VEXLO_PROFILE_FIELD(overlay.transparency),
    VEXLO_PROFILE_FIELD(overlay.title),

    VEXLO_PROFILE_FIELD(videoEncode.enabled),
    VEXLO_PROFILE_FIELD(videoEncode.mainStream.encodeFormat),
    VEXLO_PROFILE_FIELD(videoEncode.mainStream.resolution),
    VEXLO_PROFILE_FIELD(videoEncode.mainStream.bitRateControl),
    VEXLO_PROFILE_FIELD(videoEncode.mainStream.frameInterval),
    VEXLO_PROFILE_FIELD(videoEncode.mainStream.bitRate),
    VEXLO_PROFILE_FIELD(videoEncode.mainStream.frameRate),
    VEXLO_PROFILE_FIELD(videoEncode.subStream.encodeFormat),
    VEXLO_PROFILE_FIELD(videoEncode.subStream.resolution),
    VEXLO_PROFILE_FIELD(videoEncode.subStream.bitRateControl),
    VEXLO_PROFILE_FIELD(videoEncode.subStream.frameInterval),
    VEXLO_PROFILE_FIELD(videoEncode.subStream.bitRate),
    VEXLO_PROFILE_FIELD(videoEncode.subStream.frameRate),
    VEXLO_PROFILE_FIELD(videoEncode.encodeProfile),
    VEXLO_PROFILE_FIELD(videoEncode.privateData),

    VEXLO_PROFILE_FIELD(audioEncode.enabled),
    VEXLO_PROFILE_FIELD(audioEncode.encodingOn),
    VEXLO_PROFILE_FIELD(audioEncode.encodeType),
    VEXLO_PROFILE_FIELD(audioEncode.sampleRate),
    VEXLO_PROFILE_FIELD(audioEncode.bitRate),

    VEXLO_PROFILE_FIELD(motion.enabled),
    VEXLO_PROFILE_FIELD(motion.alarmOn),
    VEXLO_PROFILE_FIELD(motion.sensitivity),
    VEXLO_PROFILE_FIELD(motion.alarmThreshold),
    VEXLO_PROFILE_FIELD(motion.gridSize),
    VEXLO_PROFILE_FIELD(motion.regionMask),
    VEXLO_PROFILE_FIELD(motion.nightParametersOn),
    VEXLO_PROFILE_FIELD(motion.nightStart),
    VEXLO_PROFILE_FIELD(motion.nightEnd),
    VEXLO_PROFILE_FIELD(motion.nightSensitivity),
    VEXLO_PROFILE_FIELD(motion.nightAlarmThreshold),
    VEXLO_PROFILE_FIELD(motion.schedule[0].active),
    VEXLO_PROFILE_FIELD(motion.schedule[0].start),
    VEXLO_PROFILE_FIELD(motion.schedule[0].end),
    VEXLO_PROFILE_FIELD(motion.schedule[1].active),
    VEXLO_PROFILE_FIELD(motion.schedule[1].start),
    VEXLO_PROFILE_FIELD(motion.schedule[1].end),
    VEXLO_PROFILE_FIELD(motion.schedule[2].active),
    VEXLO_PROFILE_FIELD(motion.schedule[2].start),
    VEXLO_PROFILE_FIELD(motion.schedule[2].end),
    VEXLO_PROFILE_FIELD(motion.schedule[3].active),
    VEXLO_PROFILE_FIELD(motion.schedule[3].start),
    VEXLO_PROFILE_FIELD(motion.schedule[3].end),
    VEXLO_PROFILE_FIELD(motion.schedule[4].active),
    VEXLO_PROFILE_FIELD(motion.schedule[4].start),
    VEXLO_PROFILE_FIELD(motion.schedule[4].end),
    VEXLO_PROFILE_FIELD(motion.schedule[5].active),
    VEXLO_PROFILE_FIELD(motion.schedule[5].start),
    VEXLO_PROFILE_FIELD(motion.schedule[5].end),
    VEXLO_PROFILE_FIELD(motion.schedule[6].active),
    VEXLO_PROFILE_FIELD(motion.schedule[6].start),
    VEXLO_PROFILE_FIELD(motion.schedule[6].end),
    VEXLO_PROFILE_FIELD(motion.schedule[7].active),
    VEXLO_PROFILE_FIELD(motion.schedule[7].start),
    VEXLO_PROFILE_FIELD(motion.schedule[7].end),

    VEXLO_PROFILE_FIELD(account.enabled),
    VEXLO_PROFILE_FIELD(account.newPassword),
    VEXLO_PROFILE_FIELD(account.passwordConfirm),

    VEXLO_PROFILE_FIELD(time.enabled),
    VEXLO_PROFILE_FIELD(time.updateMode),
    VEXLO_PROFILE_FIELD(time.timeZone),
    VEXLO_PROFILE_FIELD(time.manualDateTime),
    VEXLO_PROFILE_FIELD(time.setTimeFlag),
    VEXLO_PROFILE_FIELD(time.ntpServer),
    VEXLO_PROFILE_FIELD(time.ntpPort),
    VEXLO_PROFILE_FIELD(time.refreshInterval),

    VEXLO_PROFILE_FIELD(maintain.enabled),
    VEXLO_PROFILE_FIELD(maintain.maintenanceOn),
    VEXLO_PROFILE_FIELD(maintain.day),
    VEXLO_PROFILE_FIELD(maintain.time),

    VEXLO_PROFILE_FIELD(language.enabled),
    VEXLO_PROFILE_FIELD(language.languageIndex),
});

#undef VEXLO_PROFILE_FIELD

// The row of a field named at compile time; an unknown name does not compile.
// Settings pages use it to bind a control: profileField("lan.ipAddress").
consteval const ProfileField& profileField(std::string_view name)
{
    for (const ProfileField& field : kProfileFields)
        if (field.name == name)
            return field;
    throw "no such profile field";
}

// The row of a field named at run time, or nullptr.
const ProfileField* findProfileField(std::string_view name);

// The field's bytes inside the record (empty for a row outside the record).
std::span<std::byte> fieldBytes(ConfigProfile& profile, const ProfileField& field);
std::span<const std::byte> fieldBytes(const ConfigProfile& profile, const ProfileField& field);

// Typed access by row. A read of a row of another kind gives zero or empty; a
// write to a row of another kind changes nothing and returns false.
std::int32_t readInt32(const ConfigProfile& profile, const ProfileField& field);
bool writeInt32(ConfigProfile& profile, const ProfileField& field, std::int32_t value);

// Text fields hold GBK. A write cuts the text to 255 bytes on a character
// boundary, clears the rest of the field and terminates it.
std::string_view readText(const ConfigProfile& profile, const ProfileField& field);
bool writeText(ConfigProfile& profile, const ProfileField& field, std::string_view gbk);
std::u16string readTextUtf16(const ConfigProfile& profile, const ProfileField& field);
bool writeTextUtf16(ConfigProfile& profile, const ProfileField& field, std::u16string_view text);

TimeOfDay readTimeOfDay(const ConfigProfile& profile, const ProfileField& field);
bool writeTimeOfDay(ConfigProfile& profile, const ProfileField& field, const TimeOfDay& value);

ProfileDateTime readDateTime(const ConfigProfile& profile, const ProfileField& field);
bool writeDateTime(ConfigProfile& profile, const ProfileField& field, const ProfileDateTime& value);

} // namespace vexlo
