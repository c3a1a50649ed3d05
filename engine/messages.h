#pragma once

#include "sdk/command_codes.h"

#include <cstdint>

namespace vexlo {

// Thread messages to the workers and window messages to the main window.
enum : std::uint32_t
{
    // to MaintenanceThread
    TM_REBOOT = 1025,
    TM_RESTORE = 1026,
    TM_TIMESYNC = 1027,
    TM_FORMAT = 1029, // wParam: 1 SD1, 2 SD2, 3 USB

    // to UpgradeControlThread
    TM_LOGIN_RESULT = 2025,     // wParam: _LOGINTASK
    TM_VERSION_RESULT = 2027,   // wParam: _VERSIONTASK
    TM_UPLOAD_RESULT = 2030,    // wParam: _UPLOADTASK
    TM_UPLOAD_DONE = 2034,      // wParam: login handle
    TM_UPLOAD_FAILED = 2035,    // wParam: login handle
    TM_UPGRADE_ACCEPTED = 2036, // wParam: login handle
    TM_UPGRADE_REFUSED = 2037,  // wParam: login handle
    TM_UPGRADE_START = 2127,    // wParam: _DEVICERECORD

    // to the main window
    WM_ROW_UPDATE = 2126, // wParam: _DEVICERECORD, lParam: column 4, 5 or 6; text: what it shows
    WM_UPGRADE_DONE = 2129,
    WM_REBOOT_DONE = 2130,   // wParam successes, lParam failures
    WM_RESTORE_DONE = 2131,  // wParam successes, lParam failures
    WM_TIMESYNC_DONE = 2132, // wParam successes, lParam failures
    WM_FORMAT_DONE = 2133,   // sent: the worker waits for the handler
    WM_MODIFYIP_DONE = 2134,
    WM_APPLY_DONE = 1032,

    // to the settings window
    WM_SHOW_PAGE = 1031,
};

// Device commands whose answers the engine reads.
enum : int
{
    CMD_SET_TIME = vexlo::sdk::kCodeSetTime,
    CMD_FIRMWARE_VERDICT = vexlo::sdk::kCodeFirmwareVerdict,
    CMD_VERSION = vexlo::sdk::kCodeVersion,
    CMD_STORAGE = vexlo::sdk::kCodeStorage,
    CMD_FORMAT = vexlo::sdk::kCodeFormat,
};

// Columns of the device list that row updates write.
enum : int
{
    COLUMN_VERSION_BEFORE = 4,
    COLUMN_VERSION_AFTER = 5,
    COLUMN_STATUS = 6,
};

} // namespace vexlo
