#pragma once

#include <string>

// The texts of the boxes that end an instruction with failed devices, in the
// language `language` (0 Chinese, 1 English). Each ends in the question when
// `asking` is set, for the Yes/No box that offers to go on.
namespace vexlo {

// "升级完成, 总共:10, 成功:9, 失败:1。" followed by the video offer
// (`offerVideo`) or the question whether to continue the rest.
std::u16string upgradeSummary(int language, int total, int succeeded, int failed, bool offerVideo);

// Chinese: "重启设备完成, 总共:4，成功:3 失败:1。"; English has no total:
// "Finished rebooting the devices，Success:3 Failed:1。".
std::u16string rebootSummary(int language, int rebooted, int failed);

// Chinese: the counts, like the reboot summary; English: the one sentence
// "Restoring to factory setting is complete." (with the question appended).
std::u16string restoreSummary(int language, int restored, int failed, bool asking);

std::u16string timeSyncSummary(int language, int set, int failed, bool asking);

// "SD1 格式化完成, 总共:2，成功:1 失败:1。"; an unknown disk gives an empty name.
std::u16string formatSummary(int language, int diskIndex, int succeeded, int failed, bool asking);

} // namespace vexlo
