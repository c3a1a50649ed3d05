#pragma once

// The main window's texts for a language.
namespace vexlo {

class CReportCtrl;
class DialogModel;

// Writes the texts of `language` (0 Chinese, 1 English; any other index is
// ignored) into the labels, buttons, group boxes, instruction check boxes and
// column headers, in the window's fixed order. The current-action line, the
// counters and the cells already shown keep their texts.
void applyLanguageTexts(DialogModel& model, CReportCtrl& list, int language);

} // namespace vexlo
