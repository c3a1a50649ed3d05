#include "app/main_controls.h"

#include "platform/dialog_model.h"

namespace vexlo {
namespace {

struct ControlRow
{
    int id;
    ControlKind kind;
    std::u16string_view text;
    bool shown;
};

// The window template: every control, in layout order.
constexpr ControlRow kLayout[] = {
    {ctl::DeviceList, ControlKind::List, u"", true},
    {ctl::DeviceGroup, ControlKind::GroupBox, u"设备信息", true},
    {ctl::TotalLabel, ControlKind::Label, u"总数:", true},
    {ctl::TotalCount, ControlKind::Label, u"0", true},
    {ctl::TickedLabel, ControlKind::Label, u"已选:", true},
    {ctl::TickedCount, ControlKind::Label, u"0", true},
    {ctl::ExpectedCountLabel, ControlKind::Label, u"设备升级数目", true},
    {ctl::ExpectedCountCombo, ControlKind::ComboBox, u"", true},
    {ctl::SuccessLabel, ControlKind::Label, u"成功:", true},
    {ctl::SuccessCount, ControlKind::Label, u"0", true},
    {ctl::FailureLabel, ControlKind::Label, u"失败:", true},
    {ctl::FailureCount, ControlKind::Label, u"0", true},
    {ctl::TickAllButton, ControlKind::PushButton, u"全选", true},
    {ctl::InvertButton, ControlKind::PushButton, u"反选", true},
    {ctl::TickAllBox, ControlKind::CheckBox, u"全选", false},
    {ctl::InvertBox, ControlKind::CheckBox, u"反选", false},
    {ctl::SearchButton, ControlKind::PushButton, u"搜索", false},
    {ctl::FirmwareGroup, ControlKind::GroupBox, u"固件升级", true},
    {ctl::FirmwareLabel, ControlKind::Label, u"升级文件：", true},
    {ctl::FirmwarePath, ControlKind::Edit, u"", true},
    {ctl::BrowseButton, ControlKind::PushButton, u"浏览", true},
    {ctl::InstructionGroup, ControlKind::GroupBox, u"升级指令", true},
    {ctl::SearchTick, ControlKind::CheckBox, u"搜索", true},
    {ctl::ModifyIpTick, ControlKind::CheckBox, u"修改IP", true},
    {ctl::UpgradeTick, ControlKind::CheckBox, u"升级", true},
    {ctl::SyncTimeTick, ControlKind::CheckBox, u"同步时间", true},
    {ctl::FormatSd1Tick, ControlKind::CheckBox, u"格式化SD1", true},
    {ctl::FormatSd2Tick, ControlKind::CheckBox, u"格式化SD2", true},
    {ctl::FormatUsbTick, ControlKind::CheckBox, u"格式化USB", true},
    {ctl::RestoreTick, ControlKind::CheckBox, u"恢复设置", true},
    {ctl::RebootTick, ControlKind::CheckBox, u"重启设备", true},
    {ctl::OtherSettingsTick, ControlKind::CheckBox, u"其它设置", true},
    {ctl::FormatTimeoutLabel, ControlKind::Label, u"格式化超时时间(分钟)", true},
    {ctl::FormatTimeoutCombo, ControlKind::ComboBox, u"", true},
    {ctl::ExecuteButton, ControlKind::PushButton, u"执行", true},
    {ctl::SetIpButton, ControlKind::PushButton, u"设定IP", true},
    {ctl::OtherSettingsButton, ControlKind::PushButton, u"其它设置", true},
    {ctl::PlayTickedButton, ControlKind::PushButton, u"播放勾选设备", true},
    {ctl::StatusGroup, ControlKind::GroupBox, u"升级信息", true},
    {ctl::CurrentActionLabel, ControlKind::Label, u"当前动作:", true},
    {ctl::CurrentAction, ControlKind::Label, u"", true},
    {ctl::DirectModifyIp, ControlKind::PushButton, u"修改IP", false},
    {ctl::DirectFormatSd1, ControlKind::PushButton, u"格式化SD1", false},
    {ctl::DirectFormatSd2, ControlKind::PushButton, u"格式化SD2", false},
    {ctl::DirectFormatUsb, ControlKind::PushButton, u"格式化USB", false},
    {ctl::DirectRestore, ControlKind::PushButton, u"恢复设置", false},
    {ctl::DirectReboot, ControlKind::PushButton, u"重启设备", false},
    {ctl::DirectTimeSync, ControlKind::PushButton, u"同步时间", false},
    {ctl::ChineseRadio, ControlKind::RadioButton, u"中文", false},
    {ctl::EnglishRadio, ControlKind::RadioButton, u"English", false},
};

} // namespace

void addMainWindowControls(DialogModel& model)
{
    for (const ControlRow& row : kLayout) {
        ControlState& state = model.add(row.id, row.kind, std::u16string(row.text));
        state.visible = row.shown;
    }
}

} // namespace vexlo
