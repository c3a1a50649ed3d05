// Every summary text in both languages, as the boxes show them.
#include "app/summary_texts.h"

#include <gtest/gtest.h>

namespace vexlo {

TEST(SummaryTexts, Upgrade)
{
    EXPECT_EQ(upgradeSummary(0, 10, 9, 1, true),
              u"升级完成, 总共:10, 成功:9, 失败:1。是否播放视频来找出这些设备?");
    EXPECT_EQ(upgradeSummary(0, 60, 58, 2, false),
              u"升级完成, 总共:60, 成功:58, 失败:2。是否继续执行剩下的指令？");
    EXPECT_EQ(upgradeSummary(1, 10, 9, 1, true),
              u"Upgrading the devices are completed, total :10, Success:9, Failed:1。"
              u"whether to play the video to find out these devices?");
    EXPECT_EQ(upgradeSummary(1, 60, 58, 2, false),
              u"Upgrading the devices are completed, total :60, Success:58, Failed:2。"
              u"Whether to continue the rest of the instructions？");
}

TEST(SummaryTexts, RebootHasNoTotalInEnglish)
{
    EXPECT_EQ(rebootSummary(0, 3, 1), u"重启设备完成, 总共:4，成功:3 失败:1。");
    EXPECT_EQ(rebootSummary(1, 3, 1), u"Finished rebooting the devices，Success:3 Failed:1。");
}

TEST(SummaryTexts, RestoreIsOneSentenceInEnglish)
{
    EXPECT_EQ(restoreSummary(0, 2, 2, false), u"恢复出厂设置完成, 总共:4，成功:2 失败:2。");
    EXPECT_EQ(restoreSummary(0, 2, 2, true),
              u"恢复出厂设置完成, 总共:4，成功:2 失败:2。是否继续操作？");
    EXPECT_EQ(restoreSummary(1, 2, 2, false), u"Restoring to factory setting is complete.");
    EXPECT_EQ(restoreSummary(1, 2, 2, true),
              u"Restoring to factory setting is complete.Continue operating？");
}

TEST(SummaryTexts, TimeSync)
{
    EXPECT_EQ(timeSyncSummary(0, 0, 5, false), u"同步时间完成, 总共:5，成功:0 失败:5。");
    EXPECT_EQ(timeSyncSummary(1, 1, 1, true),
              u"Time Changed is complete, Total:2，Success:1 Failed:1。Continue operating？");
}

TEST(SummaryTexts, FormatNamesTheDisk)
{
    EXPECT_EQ(formatSummary(0, 1, 2, 1, true),
              u"SD1 格式化完成, 总共:3，成功:2 失败:1。是否继续操作？");
    EXPECT_EQ(formatSummary(0, 3, 0, 1, false), u"USB 格式化完成, 总共:1，成功:0 失败:1。");
    EXPECT_EQ(formatSummary(1, 2, 1, 1, false),
              u"SD2 Formatting is finish, Total:2，Success:1 Failed:1。");
    // No disk kind: an empty name before the space.
    EXPECT_EQ(formatSummary(0, 0, 0, 2, false), u" 格式化完成, 总共:2，成功:0 失败:2。");
}

} // namespace vexlo
