#pragma once

#include <string_view>

// The controls of the main window by id, and its layout table.
namespace vexlo {

class DialogModel;

namespace ctl {
inline constexpr int DeviceList = 1000;
inline constexpr int SearchButton = 1002; // hidden
inline constexpr int TickAllBox = 1003;   // hidden
inline constexpr int FirmwarePath = 1005;
inline constexpr int BrowseButton = 1006;
inline constexpr int FirmwareLabel = 1007;
inline constexpr int ExecuteButton = 1014;
inline constexpr int TotalLabel = 1016;
inline constexpr int TotalCount = 1017;
inline constexpr int TickedLabel = 1018;
inline constexpr int TickedCount = 1019;
inline constexpr int ExpectedCountCombo = 1020;
inline constexpr int InvertBox = 1022; // hidden
inline constexpr int SuccessCount = 1026;
inline constexpr int FailureCount = 1027;
inline constexpr int DirectModifyIp = 1029; // hidden, as 1030..1035
inline constexpr int DirectFormatSd1 = 1030;
inline constexpr int DirectFormatSd2 = 1031;
inline constexpr int DirectFormatUsb = 1032;
inline constexpr int DirectRestore = 1033;
inline constexpr int DirectReboot = 1034;
inline constexpr int DirectTimeSync = 1035;
inline constexpr int TickAllButton = 1036;
inline constexpr int InvertButton = 1037;
inline constexpr int FormatTimeoutCombo = 1038;
inline constexpr int ModifyIpTick = 1039;
inline constexpr int SyncTimeTick = 1040;
inline constexpr int UpgradeTick = 1041;
inline constexpr int FormatSd1Tick = 1042;
inline constexpr int FormatSd2Tick = 1043;
inline constexpr int FormatUsbTick = 1044;
inline constexpr int RestoreTick = 1045;
inline constexpr int OtherSettingsTick = 1046;
inline constexpr int PlayTickedButton = 1054;
inline constexpr int SearchTick = 1059;
inline constexpr int RebootTick = 1060;
inline constexpr int FormatTimeoutLabel = 1061;
inline constexpr int CurrentAction = 1062;
inline constexpr int ChineseRadio = 1063; // hidden
inline constexpr int EnglishRadio = 1064; // hidden
inline constexpr int ExpectedCountLabel = 1065;
inline constexpr int SuccessLabel = 1066;
inline constexpr int FailureLabel = 1067;
inline constexpr int DeviceGroup = 1068;
inline constexpr int FirmwareGroup = 1069;
inline constexpr int InstructionGroup = 1070;
inline constexpr int StatusGroup = 1071;
inline constexpr int CurrentActionLabel = 1072;
inline constexpr int OtherSettingsButton = 1073;
inline constexpr int SetIpButton = 1211;
} // namespace ctl

inline constexpr std::u16string_view kMainWindowTitle = u"Vexlo_V1.4.5";
inline constexpr std::u16string_view kAboutMenuText = u"about Vexlo(&A)...";

// Adds every control of the main window to `model` in layout order, with its
// kind, initial text and visibility. Combo items are filled at start-up.
void addMainWindowControls(DialogModel& model);

// The controls that Execute disables and the end of a sequence enables again.
inline constexpr int kPanelControls[] = {
    ctl::SearchButton,        ctl::FirmwarePath,    ctl::BrowseButton,   ctl::ExecuteButton,
    ctl::ExpectedCountCombo,  ctl::InvertBox,       ctl::DirectModifyIp, ctl::DirectFormatSd1,
    ctl::DirectFormatSd2,     ctl::DirectFormatUsb, ctl::DirectRestore,  ctl::DirectReboot,
    ctl::DirectTimeSync,      ctl::TickAllButton,   ctl::InvertButton,   ctl::FormatTimeoutCombo,
    ctl::ModifyIpTick,        ctl::SyncTimeTick,    ctl::UpgradeTick,    ctl::FormatSd1Tick,
    ctl::FormatSd2Tick,       ctl::FormatUsbTick,   ctl::RestoreTick,    ctl::OtherSettingsTick,
    ctl::PlayTickedButton,    ctl::SearchTick,      ctl::RebootTick,     ctl::FormatTimeoutLabel,
    ctl::OtherSettingsButton, ctl::SetIpButton,
};

} // namespace vexlo
