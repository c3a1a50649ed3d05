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
    {1000, ControlKind::List, u"", true},
    {1068, ControlKind::GroupBox, u"设备信息", true},
    {1016, ControlKind::Label, u"总数:", true},
    {1017, ControlKind::Label, u"0", true},
    {1018, ControlKind::Label, u"已选:", true},
    {1019, ControlKind::Label, u"0", true},
    {1065, ControlKind::Label, u"设备升级数目", true},
    {1020, ControlKind::ComboBox, u"", true},
    {1066, ControlKind::Label, u"成功:", true},
    {1026, ControlKind::Label, u"0", true},
    {1067, ControlKind::Label, u"失败:", true},
    {1027, ControlKind::Label, u"0", true},
    {1036, ControlKind::PushButton, u"全选", true},
    {1037, ControlKind::PushButton, u"反选", true},
    {1003, ControlKind::CheckBox, u"全选", false},
    {1022, ControlKind::CheckBox, u"反选", false},
    {1002, ControlKind::PushButton, u"搜索", false},
    {1069, ControlKind::GroupBox, u"固件升级", true},
    {1007, ControlKind::Label, u"升级文件：", true},
    {1005, ControlKind::Edit, u"", true},
    {1006, ControlKind::PushButton, u"浏览", true},
    {1070, ControlKind::GroupBox, u"升级指令", true},
    {1059, ControlKind::CheckBox, u"搜索", true},
    {1039, ControlKind::CheckBox, u"修改IP", true},
    {1041, ControlKind::CheckBox, u"升级", true},
    {1040, ControlKind::CheckBox, u"同步时间", true},
    {1042, ControlKind::CheckBox, u"格式化SD1", true},
    {1043, ControlKind::CheckBox, u"格式化SD2", true},
    {1044, ControlKind::CheckBox, u"格式化USB", true},
    {1045, ControlKind::CheckBox, u"恢复设置", true},
    {1060, ControlKind::CheckBox, u"重启设备", true},
    {1046, ControlKind::CheckBox, u"其它设置", true},
    {1061, ControlKind::Label, u"格式化超时时间(分钟)", true},
    {1038, ControlKind::ComboBox, u"", true},
    {1014, ControlKind::PushButton, u"执行", true},
    {1211, ControlKind::PushButton, u"设定IP", true},
    {1073, ControlKind::PushButton, u"其它设置", true},
    {1054, ControlKind::PushButton, u"播放勾选设备", true},
    {1071, ControlKind::GroupBox, u"升级信息", true},
    {1072, ControlKind::Label, u"当前动作:", true},
    {1062, ControlKind::Label, u"", true},
    {1029, ControlKind::PushButton, u"修改IP", false},
    {1030, ControlKind::PushButton, u"格式化SD1", false},
    {1031, ControlKind::PushButton, u"格式化SD2", false},
    {1032, ControlKind::PushButton, u"格式化USB", false},
    {1033, ControlKind::PushButton, u"恢复设置", false},
    {1034, ControlKind::PushButton, u"重启设备", false},
    {1035, ControlKind::PushButton, u"同步时间", false},
    {1063, ControlKind::RadioButton, u"中文", false},
    {1064, ControlKind::RadioButton, u"English", false},
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
