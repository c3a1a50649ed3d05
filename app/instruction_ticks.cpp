#include "app/instruction_ticks.h"

#include "app/instruction_table.h"
#include "platform/dialog_model.h"

namespace vexlo {
namespace {

void untick(DialogModel& model, MainSettings& settings, int slot)
{
    model.setChecked(kInstructions[slot].checkBoxId, false);
    settings.*kInstructions[slot].storedTick = 0;
}

} // namespace

int instructionSlotOf(int checkBoxId)
{
    for (int slot = 0; slot < kInstructionCount; ++slot) {
        if (kInstructions[slot].checkBoxId == checkBoxId)
            return slot;
    }
    return -1;
}

bool storeInstructionTick(DialogModel& model, MainSettings& settings, int id)
{
    const int slot = instructionSlotOf(id);
    if (slot < 0)
        return false;
    const bool ticked = model.checked(id);
    if (ticked && slot == SlotOtherSettings) {
        untick(model, settings, SlotRestore);
        untick(model, settings, SlotReboot);
    }
    if (ticked && (slot == SlotRestore || slot == SlotReboot))
        untick(model, settings, SlotOtherSettings);
    settings.*kInstructions[slot].storedTick = ticked ? 1 : 0;
    return true;
}

} // namespace vexlo
