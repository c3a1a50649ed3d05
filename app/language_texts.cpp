#include "app/language_texts.h"

#include "app/main_controls.h"
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
    {ctl::TickAllButton, TextId::SelectAll},
    {ctl::InvertButton, TextId::InvertSelection},
    {ctl::TotalLabel, TextId::TotalLabel},
    {ctl::TickedLabel, TextId::CheckedLabel},
    {ctl::ExpectedCountLabel, TextId::DeviceCountLabel},
    {ctl::SuccessLabel, TextId::SuccessLabel},
    {ctl::FailureLabel, TextId::FailedLabel},
};

// After the column headers.
constexpr ControlText kPanelTexts[] = {
    {ctl::DeviceGroup, TextId::GroupDeviceInfo},
    {ctl::FirmwareGroup, TextId::GroupFirmwareUpgrade},
    {ctl::FirmwareLabel, TextId::UpgradeFileLabel},
    {ctl::BrowseButton, TextId::BrowseButton},
    {ctl::InstructionGroup, TextId::GroupInstructions},
    {ctl::SearchTick, TextId::InstructionSearch},
    {ctl::ModifyIpTick, TextId::InstructionModifyIp},
    {ctl::UpgradeTick, TextId::InstructionUpgrade},
    {ctl::SyncTimeTick, TextId::InstructionSetTime},
    {ctl::FormatTimeoutLabel, TextId::FormatTimeoutLabel},
    {ctl::FormatSd1Tick, TextId::InstructionFormatSd1},
    {ctl::FormatSd2Tick, TextId::InstructionFormatSd2},
    {ctl::FormatUsbTick, TextId::InstructionFormatUsb},
    {ctl::RestoreTick, TextId::InstructionRestore},
    {ctl::RebootTick, TextId::InstructionReboot},
    {ctl::ExecuteButton, TextId::ExecuteButton},
    {ctl::StatusGroup, TextId::GroupUpgradeInfo},
    {ctl::CurrentActionLabel, TextId::CurrentActionLabel},
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
