#pragma once

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
    {1059, &MainSettings::searchTick},    {1039, &MainSettings::modifyIpTick},
    {1041, &MainSettings::upgradeTick},   {1040, &MainSettings::syncTimeTick},
    {1042, &MainSettings::formatSd1Tick}, {1043, &MainSettings::formatSd2Tick},
    {1044, &MainSettings::formatUsbTick}, {1045, &MainSettings::restoreTick},
    {1060, &MainSettings::rebootTick},    {1046, &MainSettings::otherSettingsTick},
};

// The slot of an instruction check box; -1 for any other control.
int instructionSlotOf(int checkBoxId);

} // namespace vexlo
