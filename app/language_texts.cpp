#include "app/language_texts.h"

#include "devices/report_ctrl.h"
#include "engine/text_table.h"
#include "platform/dialog_model.h"

namespace vexlo {
namespace {

struct ControlText
{
    int controlId;
    TextId text;
};

// Before the column headers.
constexpr ControlText kCountTexts[] = {
    {1036, TextId::SelectAll},    {1037, TextId::InvertSelection},  {1016, TextId::TotalLabel},
    {1018, TextId::CheckedLabel}, {1065, TextId::DeviceCountLabel}, {1066, TextId::SuccessLabel},
    {1067, TextId::FailedLabel},
};

// After the column headers.
constexpr ControlText kPanelTexts[] = {
    {1068, TextId::GroupDeviceInfo},      {1069, TextId::GroupFirmwareUpgrade},
    {1007, TextId::UpgradeFileLabel},     {1006, TextId::BrowseButton},
    {1070, TextId::GroupInstructions},    {1059, TextId::InstructionSearch},
    {1039, TextId::InstructionModifyIp},  {1041, TextId::InstructionUpgrade},
    {1040, TextId::InstructionSetTime},   {1061, TextId::FormatTimeoutLabel},
    {1042, TextId::InstructionFormatSd1}, {1043, TextId::InstructionFormatSd2},
    {1044, TextId::InstructionFormatUsb}, {1045, TextId::InstructionRestore},
    {1060, TextId::InstructionReboot},    {1014, TextId::ExecuteButton},
    {1071, TextId::GroupUpgradeInfo},     {1072, TextId::CurrentActionLabel},
};

constexpr int kFirstHeaderText = static_cast<int>(TextId::ColumnIpAddress);
constexpr int kHeaderCount = 7;

void apply(DialogModel& model, const ControlText& entry, int language)
{
    if (model.has(entry.controlId))
        model.setText(entry.controlId, std::u16string(textOf(entry.text, language)));
}

} // namespace

void applyLanguageTexts(DialogModel& model, CReportCtrl& list, int language)
{
    if (language != kLanguageChinese && language != kLanguageEnglish)
        return;
    for (const ControlText& entry : kCountTexts)
        apply(model, entry, language);
    for (int column = 0; column < kHeaderCount && column < list.columnCount(); ++column) {
        const auto id = static_cast<TextId>(kFirstHeaderText + column);
        list.setColumnHeaderText(column, std::u16string(textOf(id, language)));
    }
    for (const ControlText& entry : kPanelTexts)
        apply(model, entry, language);
}

} // namespace vexlo
