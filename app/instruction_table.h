#pragma once

#include "app/main_controls.h"
#include "profile/config_profile.h"

#include <cstdint>

// The ten instructions in their fixed execution order: the check box of each
// and the MainSettings field that stores its tick.
namespace vexlo {

struct InstructionSlot
{
    int checkBoxId;
    std::int32_t MainSettings::*storedTick;
};

inline constexpr int kInstructionCount = 10;

enum InstructionSlotIndex : int
{
    SlotSearch = 0,
    SlotModifyIp = 1,
    SlotUpgrade = 2,
    SlotTimeSync = 3,
    SlotFormatSd1 = 4,
    SlotFormatSd2 = 5,
    SlotFormatUsb = 6,
    SlotRestore = 7,
    SlotReboot = 8,
    SlotOtherSettings = 9,
};

inline constexpr InstructionSlot kInstructions[kInstructionCount] = {
    {ctl::SearchTick, &MainSettings::searchTick},
    {ctl::ModifyIpTick, &MainSettings::modifyIpTick},
    {ctl::UpgradeTick, &MainSettings::upgradeTick},
    {ctl::SyncTimeTick, &MainSettings::syncTimeTick},
    {ctl::FormatSd1Tick, &MainSettings::formatSd1Tick},
    {ctl::FormatSd2Tick, &MainSettings::formatSd2Tick},
    {ctl::FormatUsbTick, &MainSettings::formatUsbTick},
    {ctl::RestoreTick, &MainSettings::restoreTick},
    {ctl::RebootTick, &MainSettings::rebootTick},
    {ctl::OtherSettingsTick, &MainSettings::otherSettingsTick},
};

// The slot of an instruction check box; -1 for any other control.
int instructionSlotOf(int checkBoxId);

} // namespace vexlo
