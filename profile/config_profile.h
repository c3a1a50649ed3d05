#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The configuration profile: everything the user chooses for batch work, kept in
// memory and in config.dat as the same 12324-byte little-endian image. Integers
// are 32-bit signed; tick flags hold 0 or 1, combo fields the zero-based index of
// the selected item; text fields are 256 bytes of NUL-terminated GBK text.
//
// Every field follows the previous one without a gap, so the structs below are
// the file layout. The static_asserts at the end pin every offset; the field
// table in profile_fields.h describes the same fields for generic code.
namespace vexlo {

static_assert(std::endian::native == std::endian::little,
              "ConfigProfile is the byte image of config.dat, which is little-endian");

inline constexpr std::size_t kProfileTextSize = 256;
inline constexpr std::size_t kProfileSize = 12324;
inline constexpr std::size_t kProfileHeaderSize = 56;
inline constexpr std::size_t kProfileBodySize = kProfileSize - kProfileHeaderSize;

// A time of day as three 32-bit fields.
struct TimeOfDay
{
    std::int32_t hour;
    std::int32_t minute;
    std::int32_t second;
};

// A calendar date and time as six 16-bit fields.
struct ProfileDateTime
{
    std::uint16_t year;
    std::uint16_t month;
    std::uint16_t day;
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
};

struct ProfileHeader
{
    char tag[16];              // "VX_config_data" and its NUL; byte 15 is not examined
    float version;             // 1.2f
    std::int32_t size;         // kProfileSize
    std::uint8_t reserved[32]; // never set by us: zero in a new file, else kept as loaded
};

// The main window's instruction ticks and combos and the set-IP dialog.
struct MainSettings
{
    std::int32_t expectedCountIndex; // expected device count - 1
    std::int32_t searchTick;
    std::int32_t modifyIpTick;
    std::int32_t useStartAddress;
    char startAddress[kProfileTextSize];
    char subnetMask[kProfileTextSize];
    char gateway[kProfileTextSize];
    std::int32_t upgradeTick;
    std::int32_t syncTimeTick;
    std::int32_t formatTimeoutIndex;
    std::int32_t formatSd1Tick;
    std::int32_t formatSd2Tick;
    std::int32_t formatUsbTick;
    std::int32_t restoreTick;
    std::int32_t rebootTick;
    std::int32_t otherSettingsTick;
};

// Each configuration section opens with `enabled`: it is pushed to the devices
// only when that flag equals exactly 1.

struct LanSection
{
    std::int32_t enabled;
    char ipAddress[kProfileTextSize];
    char netmask[kProfileTextSize];
    char gateway[kProfileTextSize];
    char dns1[kProfileTextSize];
    char dns2[kProfileTextSize];
};

struct CloudSection
{
    std::int32_t enabled;
    std::int32_t cloudLogin;
    std::int32_t syncTime;
};

inline constexpr std::size_t kFtpServerCount = 4; // alarm upload, log, configuration, upgrade

struct FtpServerEntry
{
    char serverAddress[kProfileTextSize];
    std::int32_t serverPort;
    char account[kProfileTextSize];
    char password[kProfileTextSize];
    char storagePath[kProfileTextSize];
};

struct FtpSection
{
    std::int32_t enabled;
    FtpServerEntry servers[kFtpServerCount];
};

inline constexpr std::size_t kSmtpRecipientCount = 3; // alarm upload, log, configuration

struct SmtpRecipientEntry
{
    char toAddress[kProfileTextSize];
    char ccAddress[kProfileTextSize];
    char subject[kProfileTextSize];
};

struct SmtpSection
{
    std::int32_t enabled;
    char serverAddress[kProfileTextSize];
    std::int32_t serverPort;
    std::int32_t secureConnection;
    char account[kProfileTextSize];
    char password[kProfileTextSize];
    char passwordConfirm[kProfileTextSize]; // checked by the page's Save, never sent
    char sender[kProfileTextSize];
    SmtpRecipientEntry recipients[kSmtpRecipientCount];
};

struct StreamSection
{
    std::int32_t enabled;
    std::int32_t authRequired;
    std::int32_t streamPort;
    std::int32_t protocol; // 0 UDP, 1 TCP
    std::int32_t ptzPort;
    std::int32_t webPort;
};

struct PlatformSection
{
    std::int32_t enabled;
    std::int32_t platformLogin;
    char serverAddress[kProfileTextSize];
    std::int32_t serverPort;
    char account[kProfileTextSize];
    char password[kProfileTextSize];
};

struct CaptureSection
{
    std::int32_t enabled;
    std::int32_t irCutMode;
    std::int32_t keepColour;
    std::int32_t irCutSensitivity;
    TimeOfDay nightStart;
    TimeOfDay nightEnd;
    std::int32_t brightness;
    std::int32_t saturation;
    std::int32_t sharpness;
    std::int32_t contrast;
    std::int32_t backlight;
    std::int32_t videoStandard;
    std::int32_t dayNight;
    std::int32_t whiteBalance;
    std::int32_t autoExposureWhiteBalance;
    std::int32_t sensorReadout;
    std::int32_t horizontalFlip;
    std::int32_t verticalFlip;
};

struct OverlaySection
{
    std::int32_t enabled;
    std::int32_t osdEnabled;
    std::int32_t extraInfo;
    std::int32_t timePosition;
    std::int32_t timeFormat;
    std::int32_t titlePosition;
    std::int32_t transparency;    // kept by a hidden edit, never sent
    char title[kProfileTextSize]; // '^' separates the lines
};

struct VideoStreamBlock
{
    std::int32_t encodeFormat; // 0 = H264, the only format
    std::int32_t resolution;
    std::int32_t bitRateControl;
    std::int32_t frameInterval;
    std::int32_t bitRate;
    std::int32_t frameRate; // index: frames per second - 1
};

struct VideoEncodeSection
{
    std::int32_t enabled;
    VideoStreamBlock mainStream;
    VideoStreamBlock subStream;
    std::int32_t encodeProfile;
    std::int32_t privateData; // the index is the "disable" value: 0 on, 1 off
};

struct AudioEncodeSection
{
    std::int32_t enabled;
    std::int32_t encodingOn;
    std::int32_t encodeType;
    std::int32_t sampleRate;
    std::int32_t bitRate;
};

inline constexpr std::size_t kMotionRegionCells = 64;
inline constexpr std::size_t kMotionScheduleEntries = 8; // Monday .. Sunday, every day

struct MotionScheduleEntry
{
    std::int32_t active; // non-zero: the entry is sent
    TimeOfDay start;
    TimeOfDay end;
};

struct MotionSection
{
    std::int32_t enabled;
    std::int32_t alarmOn;
    std::int32_t sensitivity;
    std::int32_t alarmThreshold;
    std::int32_t gridSize;
    std::uint8_t regionMask[kMotionRegionCells]; // 1 per selected cell, row by row
    std::int32_t nightParametersOn;
    TimeOfDay nightStart;
    TimeOfDay nightEnd;
    std::int32_t nightSensitivity;
    std::int32_t nightAlarmThreshold;
    MotionScheduleEntry schedule[kMotionScheduleEntries];
};

struct AccountSection
{
    std::int32_t enabled;
    char newPassword[kProfileTextSize];
    char passwordConfirm[kProfileTextSize]; // checked by the page's Save, never sent
};

struct TimeSection
{
    std::int32_t enabled;
    std::int32_t updateMode; // 0 NTP, otherwise set by hand
    std::int32_t timeZone;
    ProfileDateTime manualDateTime;
    std::int32_t setTimeFlag;
    char ntpServer[kProfileTextSize];
    std::int32_t ntpPort;
    std::int32_t refreshInterval;
};

struct MaintainSection
{
    std::int32_t enabled;
    std::int32_t maintenanceOn;
    std::int32_t day; // 0 Monday .. 6 Sunday, 7 every day
    TimeOfDay time;
};

struct LanguageSection
{
    std::int32_t enabled;
    std::int32_t languageIndex;
};

// The whole record. A plain aggregate: `ConfigProfile p{}` is the zero profile.
struct ConfigProfile
{
    ProfileHeader header;
    MainSettings main;
    LanSection lan;
    CloudSection cloud;
    FtpSection ftp;
    SmtpSection smtp;
    StreamSection stream;
    PlatformSection platform;
    CaptureSection capture;
    OverlaySection overlay;
    VideoEncodeSection videoEncode;
    AudioEncodeSection audioEncode;
    MotionSection motion;
    AccountSection account;
    TimeSection time;
    MaintainSection maintain;
    LanguageSection language;
};

static_assert(sizeof(ConfigProfile) == kProfileSize);
static_assert(sizeof(ProfileHeader) == kProfileHeaderSize);

// Section sizes and positions.
static_assert(sizeof(MainSettings) == 820 && offsetof(ConfigProfile, main) == 56);
static_assert(sizeof(LanSection) == 1284 && offsetof(ConfigProfile, lan) == 876);
static_assert(sizeof(CloudSection) == 12 && offsetof(ConfigProfile, cloud) == 2160);
static_assert(sizeof(FtpServerEntry) == 1028);
static_assert(sizeof(FtpSection) == 4116 && offsetof(ConfigProfile, ftp) == 2172);
static_assert(sizeof(SmtpRecipientEntry) == 768);
static_assert(sizeof(SmtpSection) == 3596 && offsetof(ConfigProfile, smtp) == 6288);
static_assert(sizeof(StreamSection) == 24 && offsetof(ConfigProfile, stream) == 9884);
static_assert(sizeof(PlatformSection) == 780 && offsetof(ConfigProfile, platform) == 9908);
static_assert(sizeof(CaptureSection) == 88 && offsetof(ConfigProfile, capture) == 10688);
static_assert(sizeof(OverlaySection) == 284 && offsetof(ConfigProfile, overlay) == 10776);
static_assert(sizeof(VideoStreamBlock) == 24);
static_assert(sizeof(VideoEncodeSection) == 60 && offsetof(ConfigProfile, videoEncode) == 11060);
static_assert(sizeof(AudioEncodeSection) == 20 && offsetof(ConfigProfile, audioEncode) == 11120);
static_assert(sizeof(MotionScheduleEntry) == 28);
static_assert(sizeof(MotionSection) == 344 && offsetof(ConfigProfile, motion) == 11140);
static_assert(sizeof(AccountSection) == 516 && offsetof(ConfigProfile, account) == 11484);
static_assert(sizeof(TimeSection) == 292 && offsetof(ConfigProfile, time) == 12000);
static_assert(sizeof(MaintainSection) == 24 && offsetof(ConfigProfile, maintain) == 12292);
static_assert(sizeof(LanguageSection) == 8 && offsetof(ConfigProfile, language) == 12316);

// Absolute field offsets: the section's position plus the field's place in it.
#define VEXLO_AT(section, type, field) (offsetof(ConfigProfile, section) + offsetof(type, field))

static_assert(offsetof(ProfileHeader, tag) == 0);
static_assert(offsetof(ProfileHeader, version) == 16);
static_assert(offsetof(ProfileHeader, size) == 20);
static_assert(offsetof(ProfileHeader, reserved) == 24);

static_assert(VEXLO_AT(main, MainSettings, expectedCountIndex) == 56);
static_assert(VEXLO_AT(main, MainSettings, searchTick) == 60);
static_assert(VEXLO_AT(main, MainSettings, modifyIpTick) == 64);
static_assert(VEXLO_AT(main, MainSettings, useStartAddress) == 68);
static_assert(VEXLO_AT(main, MainSettings, startAddress) == 72);
static_assert(VEXLO_AT(main, MainSettings, subnetMask) == 328);
static_assert(VEXLO_AT(main, MainSettings, gateway) == 584);
static_assert(VEXLO_AT(main, MainSettings, upgradeTick) == 840);
static_assert(VEXLO_AT(main, MainSettings, syncTimeTick) == 844);
static_assert(VEXLO_AT(main, MainSettings, formatTimeoutIndex) == 848);
static_assert(VEXLO_AT(main, MainSettings, formatSd1Tick) == 852);
static_assert(VEXLO_AT(main, MainSettings, formatSd2Tick) == 856);
static_assert(VEXLO_AT(main, MainSettings, formatUsbTick) == 860);
static_assert(VEXLO_AT(main, MainSettings, restoreTick) == 864);
static_assert(VEXLO_AT(main, MainSettings, rebootTick) == 868);
static_assert(VEXLO_AT(main, MainSettings, otherSettingsTick) == 872);

static_assert(VEXLO_AT(lan, LanSection, enabled) == 876);
static_assert(VEXLO_AT(lan, LanSection, ipAddress) == 880);
static_assert(VEXLO_AT(lan, LanSection, netmask) == 1136);
static_assert(VEXLO_AT(lan, LanSection, gateway) == 1392);
static_assert(VEXLO_AT(lan, LanSection, dns1) == 1648);
static_assert(VEXLO_AT(lan, LanSection, dns2) == 1904);

static_assert(VEXLO_AT(cloud, CloudSection, enabled) == 2160);
static_assert(VEXLO_AT(cloud, CloudSection, cloudLogin) == 2164);
static_assert(VEXLO_AT(cloud, CloudSection, syncTime) == 2168);

static_assert(VEXLO_AT(ftp, FtpSection, enabled) == 2172);
static_assert(VEXLO_AT(ftp, FtpSection, servers[0]) == 2176);
static_assert(VEXLO_AT(ftp, FtpSection, servers[1]) == 3204);
static_assert(VEXLO_AT(ftp, FtpSection, servers[2]) == 4232);
static_assert(VEXLO_AT(ftp, FtpSection, servers[3]) == 5260);
static_assert(offsetof(FtpServerEntry, serverAddress) == 0);
static_assert(offsetof(FtpServerEntry, serverPort) == 256);
static_assert(offsetof(FtpServerEntry, account) == 260);
static_assert(offsetof(FtpServerEntry, password) == 516);
static_assert(offsetof(FtpServerEntry, storagePath) == 772);

static_assert(VEXLO_AT(smtp, SmtpSection, enabled) == 6288);
static_assert(VEXLO_AT(smtp, SmtpSection, serverAddress) == 6292);
static_assert(VEXLO_AT(smtp, SmtpSection, serverPort) == 6548);
static_assert(VEXLO_AT(smtp, SmtpSection, secureConnection) == 6552);
static_assert(VEXLO_AT(smtp, SmtpSection, account) == 6556);
static_assert(VEXLO_AT(smtp, SmtpSection, password) == 6812);
static_assert(VEXLO_AT(smtp, SmtpSection, passwordConfirm) == 7068);
static_assert(VEXLO_AT(smtp, SmtpSection, sender) == 7324);
static_assert(VEXLO_AT(smtp, SmtpSection, recipients[0]) == 7580);
static_assert(VEXLO_AT(smtp, SmtpSection, recipients[1]) == 8348);
static_assert(VEXLO_AT(smtp, SmtpSection, recipients[2]) == 9116);
static_assert(offsetof(SmtpRecipientEntry, toAddress) == 0);
static_assert(offsetof(SmtpRecipientEntry, ccAddress) == 256);
static_assert(offsetof(SmtpRecipientEntry, subject) == 512);

static_assert(VEXLO_AT(stream, StreamSection, enabled) == 9884);
static_assert(VEXLO_AT(stream, StreamSection, authRequired) == 9888);
static_assert(VEXLO_AT(stream, StreamSection, streamPort) == 9892);
static_assert(VEXLO_AT(stream, StreamSection, protocol) == 9896);
static_assert(VEXLO_AT(stream, StreamSection, ptzPort) == 9900);
static_assert(VEXLO_AT(stream, StreamSection, webPort) == 9904);

static_assert(VEXLO_AT(platform, PlatformSection, enabled) == 9908);
static_assert(VEXLO_AT(platform, PlatformSection, platformLogin) == 9912);
static_assert(VEXLO_AT(platform, PlatformSection, serverAddress) == 9916);
static_assert(VEXLO_AT(platform, PlatformSection, serverPort) == 10172);
static_assert(VEXLO_AT(platform, PlatformSection, account) == 10176);
static_assert(VEXLO_AT(platform, PlatformSection, password) == 10432);

static_assert(VEXLO_AT(capture, CaptureSection, enabled) == 10688);
static_assert(VEXLO_AT(capture, CaptureSection, irCutMode) == 10692);
static_assert(VEXLO_AT(capture, CaptureSection, keepColour) == 10696);
static_assert(VEXLO_AT(capture, CaptureSection, irCutSensitivity) == 10700);
static_assert(VEXLO_AT(capture, CaptureSection, nightStart) == 10704);
static_assert(VEXLO_AT(capture, CaptureSection, nightEnd) == 10716);
static_assert(VEXLO_AT(capture, CaptureSection, brightness) == 10728);
static_assert(VEXLO_AT(capture, CaptureSection, saturation) == 10732);
static_assert(VEXLO_AT(capture, CaptureSection, sharpness) == 10736);
static_assert(VEXLO_AT(capture, CaptureSection, contrast) == 10740);
static_assert(VEXLO_AT(capture, CaptureSection, backlight) == 10744);
static_assert(VEXLO_AT(capture, CaptureSection, videoStandard) == 10748);
static_assert(VEXLO_AT(capture, CaptureSection, dayNight) == 10752);
static_assert(VEXLO_AT(capture, CaptureSection, whiteBalance) == 10756);
static_assert(VEXLO_AT(capture, CaptureSection, autoExposureWhiteBalance) == 10760);
static_assert(VEXLO_AT(capture, CaptureSection, sensorReadout) == 10764);
static_assert(VEXLO_AT(capture, CaptureSection, horizontalFlip) == 10768);
static_assert(VEXLO_AT(capture, CaptureSection, verticalFlip) == 10772);

static_assert(VEXLO_AT(overlay, OverlaySection, enabled) == 10776);
static_assert(VEXLO_AT(overlay, OverlaySection, osdEnabled) == 10780);
static_assert(VEXLO_AT(overlay, OverlaySection, extraInfo) == 10784);
static_assert(VEXLO_AT(overlay, OverlaySection, timePosition) == 10788);
static_assert(VEXLO_AT(overlay, OverlaySection, timeFormat) == 10792);
static_assert(VEXLO_AT(overlay, OverlaySection, titlePosition) == 10796);
static_assert(VEXLO_AT(overlay, OverlaySection, transparency) == 10800);
static_assert(VEXLO_AT(overlay, OverlaySection, title) == 10804);

static_assert(VEXLO_AT(videoEncode, VideoEncodeSection, enabled) == 11060);
static_assert(VEXLO_AT(videoEncode, VideoEncodeSection, mainStream) == 11064);
static_assert(VEXLO_AT(videoEncode, VideoEncodeSection, subStream) == 11088);
static_assert(VEXLO_AT(videoEncode, VideoEncodeSection, encodeProfile) == 11112);
static_assert(VEXLO_AT(videoEncode, VideoEncodeSection, privateData) == 11116);
static_assert(offsetof(VideoStreamBlock, encodeFormat) == 0);
static_assert(offsetof(VideoStreamBlock, resolution) == 4);
static_assert(offsetof(VideoStreamBlock, bitRateControl) == 8);
static_assert(offsetof(VideoStreamBlock, frameInterval) == 12);
static_assert(offsetof(VideoStreamBlock, bitRate) == 16);
static_assert(offsetof(VideoStreamBlock, frameRate) == 20);

static_assert(VEXLO_AT(audioEncode, AudioEncodeSection, enabled) == 11120);
static_assert(VEXLO_AT(audioEncode, AudioEncodeSection, encodingOn) == 11124);
static_assert(VEXLO_AT(audioEncode, AudioEncodeSection, encodeType) == 11128);
static_assert(VEXLO_AT(audioEncode, AudioEncodeSection, sampleRate) == 11132);
static_assert(VEXLO_AT(audioEncode, AudioEncodeSection, bitRate) == 11136);

static_assert(VEXLO_AT(motion, MotionSection, enabled) == 11140);
static_assert(VEXLO_AT(motion, MotionSection, alarmOn) == 11144);
static_assert(VEXLO_AT(motion, MotionSection, sensitivity) == 11148);
static_assert(VEXLO_AT(motion, MotionSection, alarmThreshold) == 11152);
static_assert(VEXLO_AT(motion, MotionSection, gridSize) == 11156);
static_assert(VEXLO_AT(motion, MotionSection, regionMask) == 11160);
static_assert(VEXLO_AT(motion, MotionSection, nightParametersOn) == 11224);
static_assert(VEXLO_AT(motion, MotionSection, nightStart) == 11228);
static_assert(VEXLO_AT(motion, MotionSection, nightEnd) == 11240);
static_assert(VEXLO_AT(motion, MotionSection, nightSensitivity) == 11252);
static_assert(VEXLO_AT(motion, MotionSection, nightAlarmThreshold) == 11256);
static_assert(VEXLO_AT(motion, MotionSection, schedule[0]) == 11260);
static_assert(VEXLO_AT(motion, MotionSection, schedule[1]) == 11288);
static_assert(VEXLO_AT(motion, MotionSection, schedule[2]) == 11316);
static_assert(VEXLO_AT(motion, MotionSection, schedule[3]) == 11344);
static_assert(VEXLO_AT(motion, MotionSection, schedule[4]) == 11372);
static_assert(VEXLO_AT(motion, MotionSection, schedule[5]) == 11400);
static_assert(VEXLO_AT(motion, MotionSection, schedule[6]) == 11428);
static_assert(VEXLO_AT(motion, MotionSection, schedule[7]) == 11456);
static_assert(offsetof(MotionScheduleEntry, active) == 0);
static_assert(offsetof(MotionScheduleEntry, start) == 4);
static_assert(offsetof(MotionScheduleEntry, end) == 16);

static_assert(VEXLO_AT(account, AccountSection, enabled) == 11484);
static_assert(VEXLO_AT(account, AccountSection, newPassword) == 11488);
static_assert(VEXLO_AT(account, AccountSection, passwordConfirm) == 11744);

static_assert(VEXLO_AT(time, TimeSection, enabled) == 12000);
static_assert(VEXLO_AT(time, TimeSection, updateMode) == 12004);
static_assert(VEXLO_AT(time, TimeSection, timeZone) == 12008);
static_assert(VEXLO_AT(time, TimeSection, manualDateTime) == 12012);
static_assert(VEXLO_AT(time, TimeSection, setTimeFlag) == 12024);
static_assert(VEXLO_AT(time, TimeSection, ntpServer) == 12028);
static_assert(VEXLO_AT(time, TimeSection, ntpPort) == 12284);
static_assert(VEXLO_AT(time, TimeSection, refreshInterval) == 12288);

static_assert(VEXLO_AT(maintain, MaintainSection, enabled) == 12292);
static_assert(VEXLO_AT(maintain, MaintainSection, maintenanceOn) == 12296);
static_assert(VEXLO_AT(maintain, MaintainSection, day) == 12300);
static_assert(VEXLO_AT(maintain, MaintainSection, time) == 12304);

static_assert(VEXLO_AT(language, LanguageSection, enabled) == 12316);
static_assert(VEXLO_AT(language, LanguageSection, languageIndex) == 12320);

#undef VEXLO_AT

} // namespace vexlo
