#pragma once

#include "sdk/command_codes.h"
#include "sdk/ipcinfo.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vexlo {

// The number of configuration sections a device can be sent, and their set-command
// codes in the order of the record's answer flags.
inline constexpr int kSectionCount = 15;
inline constexpr int kSectionReplyCodes[kSectionCount] = {
    vexlo::sdk::kSectionEthernet,    vexlo::sdk::kSectionCloud,
    vexlo::sdk::kSectionFtp,         vexlo::sdk::kSectionSmtp,
    vexlo::sdk::kSectionStream,      vexlo::sdk::kSectionPlatform,
    vexlo::sdk::kSectionCapture,     vexlo::sdk::kSectionOverlay,
    vexlo::sdk::kSectionVideoEncode, vexlo::sdk::kSectionAudioEncode,
    vexlo::sdk::kSectionMotion,      vexlo::sdk::kSectionAccount,
    vexlo::sdk::kSectionClock,       vexlo::sdk::kSectionMaintenance,
    vexlo::sdk::kSectionLanguage,
};

// The index of a section's answer flag for a set-command code; -1 for any other code.
int sectionIndexOfCode(int code);

// The values of the record's state fields. Plain enums of the fields' own
// type, so the fields keep their type and their stored values.
enum LoginState : std::int32_t
{
    kLoginFailed = -1,
    kLoginUndecided = 0,
    kLoginConfirmed = 1,
};
enum UpgradeResult : std::int32_t
{
    kUpgradeRunning = 0, // or not started
    kUpgradeSucceeded = 1,
    kUpgradeFailed = 2,
};
enum FormatState : std::int32_t
{
    kFormatPending = 0,
    kFormatDone = 1,
    kFormatNotDone = 2,
};
enum LoginPurpose : std::int32_t
{
    kLoginForUpgrade = 2,
    kLoginAfterReboot = 3,
    kLoginForMaintenance = 4,
};
enum RebootState : std::int32_t
{
    kRebootNone = 0,
    kRebootAccepted = 1,
    kRebootRefused = 2,
    kRebootGaveUp = 3,
};
enum TimeSyncState : std::int32_t
{
    kTimeSyncPending = 0,
    kTimeSyncConfirmed = 1,
    kTimeSyncFailed = 2,
};
enum RestoreState : std::int32_t
{
    kRestorePending = 0,
    kRestoreFoundAgain = 1,
    kRestoreFailed = 2,
    kRestoreNotLoggedIn = 3,
};
enum SectionResult : std::int32_t
{
    kSectionRefused = -1,
    kSectionAwaited = 0,
    kSectionAccepted = 1,
    kSectionTakenAtOnce = 2, // accepted with no process restart
};
// Whether a section's result says the device took it, restarting or not.
inline bool sectionTaken(std::int32_t result)
{
    return result == kSectionAccepted || result == kSectionTakenAtOnce;
}

// One listed camera. It begins with the search result the device library
// reported and carries everything the program learns and does about the device.
// The device list owns it; every other list holds a plain pointer.
//
// Fields that several threads touch are atomics: one thread writes a field at a
// time (the one running the device's current stage) while others read it. The
// status text is written under `textLock`; a row update carries a copy of it.
// Create it zero-filled: `new _DEVICERECORD{}`.
struct _DEVICERECORD : _IPCINFO
{
    char versionBefore[256];
    char versionAfter[256];
    std::atomic<std::int32_t> listRow;
    std::int32_t searchRow;
    std::atomic<std::int32_t> loginHandle;
    std::atomic<std::int32_t> loginState;    // 0 undecided, 1 confirmed, -1 failed
    std::atomic<std::int32_t> upgradeResult; // 0 running or not started, 1 success, 2 failure
    std::atomic<std::int32_t> formatState;   // 0 pending, 1 formatted, 2 not formatted
    std::atomic<std::int32_t> diskIndex;     // 1 SD1, 2 SD2, 3 USB
    std::atomic<std::int32_t> storageInfoReceived;
    std::atomic<std::int32_t> totalSd1;
    std::atomic<std::int32_t> totalSd2;
    std::atomic<std::int32_t> totalUsb;
    std::atomic<std::int32_t> loginPurpose; // 2 upgrade, 3 re-login after reboot, 4 maintenance
    char16_t statusText[256];
    std::atomic<std::int32_t> rebootState; // 0 none, 1 accepted, 2 refused, 3 gave up
    std::atomic<std::uint32_t> rebootStartTick;
    std::atomic<std::int32_t> timeSyncState; // 0 pending, 1 confirmed, 2 failed
    std::atomic<std::int32_t> restoreState;  // 0 pending, 1 found again, 2 failed, 3 not logged in
    void* applyOwner;
    std::uintptr_t applyThread;
    std::uint32_t applyThreadId;
    std::atomic<std::int32_t> applyDone;
    // 0 none, 1 accepted, 2 accepted and taken at once (no process restart), -1 refused
    std::atomic<std::int32_t> sectionResult[kSectionCount];

    std::mutex textLock; // guards statusText
};

// The address change sent to one device by modify IP.
struct _MODIFYIP
{
    char serialNo[32];
    char oldIpAddress[256];
    char newIpAddress[256];
};

// Address changes keyed by the serial number as UTF-16 (at most 32 units). Two
// devices with one serial number share an entry; the later change wins.
using ModifyIpMap = std::unordered_map<std::u16string, _MODIFYIP>;

// The key of a device in the modify-IP map.
std::u16string modifyIpKey(const _IPCINFO& info);

// Writes `text` into the record's status text (cut to 255 units, terminated)
// and returns the copy that was stored.
std::u16string setStatusText(_DEVICERECORD& record, std::u16string_view text);
std::u16string statusTextOf(_DEVICERECORD& record);

} // namespace vexlo
