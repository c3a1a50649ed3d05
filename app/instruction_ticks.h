#pragma once

// Storing a click on one of the ten instruction check boxes.
namespace vexlo {

class DialogModel;
struct MainSettings;

// Stores the new tick of instruction check box `id` (as the model now shows
// it) in `settings`, after the exclusions that keep the configuration push
// apart from a factory restore or a reboot: ticking other settings unticks
// restore and reboot; ticking restore or reboot unticks other settings. The
// boxes unticked this way are stored as unticked too. Returns false for a
// control that is not an instruction check box.
bool storeInstructionTick(DialogModel& model, MainSettings& settings, int id);

} // namespace vexlo
