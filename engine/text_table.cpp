#include "engine/text_table.h"

namespace vexlo {

namespace {

struct TextPair
{
    std::u16string_view chinese;
    std::u16string_view english;
};

// In entry order; the punctuation (full-width or not) is part of each text.
constexpr TextPair kTexts[kTextCount] = {
    {u"全选", u"All"},                                    // SelectAll
    {u"反选", u"INV"},                                    // InvertSelection
    {u"总数:", u"Total:"},                                // TotalLabel
    {u"已选:", u"Check:"},                                // CheckedLabel
    {u"设备升级数目:", u"Num of Cameras:"},               // DeviceCountLabel
    {u"成功:", u"Success:"},                              // SuccessLabel
    {u"失败:", u"Failed:"},                               // FailedLabel
    {u"IP地址", u"IP Address"},                           // ColumnIpAddress
    {u"物理地址", u"MAC Address"},                        // ColumnMacAddress
    {u"序列号", u"SN"},                                   // ColumnSerial
    {u"设备类型", u"Device Type"},                        // ColumnDeviceType
    {u"升级前版本号", u"Current Version"},                // ColumnVersionBefore
    {u"升级后版本号", u"New Version"},                    // ColumnVersionAfter
    {u"状态信息", u"Status Info"},                        // ColumnStatus
    {u"设备信息", u"Device Info"},                        // GroupDeviceInfo
    {u"固件升级", u"Firmware Upgrade"},                   // GroupFirmwareUpgrade
    {u"升级文件", u"Upgrade File:"},                      // UpgradeFileLabel
    {u"浏览", u"Upgrade"},                                // BrowseButton
    {u"升级指令", u"Select Action"},                      // GroupInstructions
    {u"搜索", u"Search"},                                 // InstructionSearch
    {u"修改IP", u"Modify IP"},                            // InstructionModifyIp
    {u"升级", u"Upgrade"},                                // InstructionUpgrade
    {u"同步时间", u"Set Time"},                           // InstructionSetTime
    {u"格式化超时时间(分钟)", u"Format Timeout(Minute)"}, // FormatTimeoutLabel
    {u"格式化SD1", u"Format SD1"},                        // InstructionFormatSd1
    {u"格式化SD2", u"Format SD2"},                        // InstructionFormatSd2
    {u"格式化USB", u"Format USB"},                        // InstructionFormatUsb
    {u"恢复设置", u"Factory Set"},                        // InstructionRestore
    {u"重启设备", u"Reboot"},                             // InstructionReboot
    {u"执行", u"Enter"},                                  // ExecuteButton
    {u"升级信息", u"Upgrade Information"},                // GroupUpgradeInfo
    {u"当前动作:", u"Current Action:"},                   // CurrentActionLabel
    {u"搜索到的IPC数量与设备升级数量不一致，是否继续搜索？", u"The selected number of cameras "
                                                             u"have not been found,continue "
                                                             u"searching?"}, // AskContinueSearch
    {u"设备IP修改失败，升级停止",
     u"Device IP modification fails, the upgrade stops"},        // ModifyIpFailedStop
    {u"请先选择设备!", u"Please select the device!"},            // SelectDeviceFirst
    {u"请先选择升级文件!", u"Please select the upgrade files!"}, // SelectUpgradeFileFirst
    {u"是否继续执行剩下的指令？",
     u"Whether to continue the rest of the instructions？"}, // AskContinueInstructions
    {u"升级完成, 总共:", u"Upgrading the devices are completed, total :"}, // UpgradeSummaryHead
    {u"是否播放视频来找出这些设备?",
     u"whether to play the video to find out these devices?"},      // AskPlayVideo
    {u"正在搜索", u"Searching"},                                    // ActionSearching
    {u"执行结束", u"Complete"},                                     // ActionComplete
    {u"正在升级", u"Upgrading"},                                    // Upgrading
    {u"正在修改IP", u"Modifying IP"},                               // ActionModifyingIp
    {u"正在格式化SD1", u"Formatting SD1"},                          // ActionFormattingSd1
    {u"正在格式化SD2", u"Formatting SD2"},                          // ActionFormattingSd2
    {u"正在格式化USB", u"Formatting USB"},                          // ActionFormattingUsb
    {u"正在重启设备", u"Rebooting devices"},                        // ActionRebooting
    {u"正在恢复出厂设置", u"Restore to factory settings"},          // Restoring
    {u"正在设置时间", u"Setting Time"},                             // ActionSettingTime
    {u"正在登录", u"Loging in"},                                    // LoggingIn
    {u"登录成功", u"Login OK"},                                     // LoginOk
    {u"登录失败", u"login failed"},                                 // LoginFailed
    {u"获取存储设备信息", u"get storage info"},                     // GettingStorageInfo
    {u"获取存储设备信息失败", u"Getting storage info failed"},      // StorageInfoFailed
    {u"未挂载", u"not mount"},                                      // NotMounted
    {u"格式化失败", u"Format failed"},                              // FormatFailed
    {u"格式化超时", u"format timeout"},                             // FormatTimeout
    {u"正在格式化", u"Formatting"},                                 // Formatting
    {u"格式化成功", u"Format OK"},                                  // FormatOk
    {u"重启设备成功", u"reboot device OK"},                         // RebootOk
    {u"重启设备失败", u"reboot device failed"},                     // RebootFailed
    {u"恢复出厂设置失败", u"Restoring to factory setting failed"},  // RestoreFailed
    {u"恢复出厂设置成功", u"Factory Reset OK"},                     // RestoreOk
    {u"同步时间成功", u"set time OK"},                              // TimeSyncOk
    {u"同步时间失败", u"set time Failed"},                          // TimeSyncFailed
    {u"登录内存申请失败", u"login malloc memory failed"},           // LoginAllocationFailed
    {u"内存申请失败", u"malloc memory failed"},                     // AllocationFailed
    {u"获取版本号", u"get version"},                                // GettingVersion
    {u"上传文件内存申请失败", u"upload file malloc memory failed"}, // UploadAllocationFailed
    {u"获取上传文件进度内存申请失败",
     u"malloc memory failt when get upload progress"},            // ProgressAllocationFailed
    {u"获取版本号失败", u"get version failed"},                   // GettingVersionFailed
    {u"提交上传文件失败", u"upload file failed"},                 // SubmitFirmwareFailed
    {u"上传完成，校验文件", u"finished upload,checking file"},    // UploadFinishedChecking
    {u"上传文件失败", u"upload file failed"},                     // UploadFailed
    {u"该文件不能升级", u"the file can not upgrade"},             // FirmwareRefused
    {u"设备重启，尝试登录", u"device rebooted, trying to login"}, // RebootedTryingLogin
    {u"校验文件超时，升级失败", u"checking file timeout, upgrade failed"},     // CheckTimeout
    {u"上传完成，校验文件", u"finished upload,checking file"},                 // CheckingFileWait
    {u"获取上传文件进度失败", u"get progress of uploading file failed"},       // UploadStalled
    {u"上传文件", u"uploading file"},                                          // UploadingFile
    {u"修改IP失败", u"modify IP failed"},                                      // ModifyIpFailed
    {u"修改IP成功", u"modify IP OK"},                                          // ModifyIpOk
    {u"新IP", u"new IP"},                                                      // NewIp
    {u"升级成功", u"upgrade scuccess"},                                        // UpgradeSuccess
    {u"版本号一致，升级失败", u"same version, upgrade failed"},                // SameVersion
    {u"重启设备完成, 总共", u"Finished rebooting the devices"},                // RebootSummaryHead
    {u"恢复出厂设置完成, 总共", u"Restoring to factory setting is complete."}, // RestoreSummaryHead
    {u"是否继续操作？", u"Continue operating？"},                // AskContinueOperating
    {u"同步时间完成, 总共", u"Time Changed is complete, Total"}, // TimeSyncSummaryHead
    {u"格式化完成, 总共", u"Formatting is finish, Total"},       // FormatSummaryHead
};

} // namespace

std::u16string_view textOf(TextId id, int language)
{
    const int index = static_cast<int>(id);
    if (index < 0 || index >= kTextCount)
        return {};
    return language == kLanguageEnglish ? kTexts[index].english : kTexts[index].chinese;
}

} // namespace vexlo
