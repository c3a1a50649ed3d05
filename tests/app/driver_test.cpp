// The execution driver's summaries, questions and continuations, on the
// scripted device library: the list is filled by a real search, the
// completions are delivered as the workers would deliver them.
#include "main_window_fixture.h"

#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "platform/codepage.h"

namespace vexlo {

using Texts = std::vector<std::u16string>;

namespace {

class DriverTest : public MainWindowTest
{
protected:
    // Lists `count` cameras and ticks them all; leaves only `ticks` ticked.
    void listCameras(int count, std::initializer_list<int> ticks)
    {
        library.addCameras(1, count);
        open();
        tickOnly({ctl::SearchTick});
        window->model().userSelect(ctl::ExpectedCountCombo, count - 1);
        window->model().userClick(ctl::ExecuteButton);
        ASSERT_TRUE(waitForFinish());
        ASSERT_EQ(window->deviceList().rowCount(), count);
        tickOnly(ticks);
        window->model().setText(ctl::CurrentAction, u"");
    }

    _DEVICERECORD& record(int row) { return *window->deviceList().deviceOfRow(row); }

    // The upgrade list as the pipeline leaves it: the first `failed` rows failed.
    void upgradeEnded(int total, int failed)
    {
        BatchState& state = window->batchState();
        vexlo::CriticalSectionLock lock(state.upgradeList.lock);
        state.upgradeList.items.clear();
        for (int row = 0; row < total; ++row) {
            record(row).upgradeResult = row < failed ? 2 : 1;
            state.upgradeList.items.push_back(&record(row));
        }
    }

    void deliver(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        window->onMessage(vexlo::UiMessage{message, wParam, lParam, {}});
    }

    void answerAll(bool yes)
    {
        answer = [yes](const std::u16string&) { return yes; };
    }
};

} // namespace

TEST_F(DriverTest, ExecuteWithNothingTickedFinishesAtOnce)
{
    open();
    tickOnly({});
    window->model().userClick(ctl::ExecuteButton);
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
    EXPECT_FALSE(window->running());
    EXPECT_TRUE(window->deviceList().sortable());
    for (int id :
         {ctl::FirmwarePath, ctl::BrowseButton, ctl::ExecuteButton, ctl::ExpectedCountCombo,
          ctl::ModifyIpTick, ctl::UpgradeTick, ctl::OtherSettingsTick, ctl::PlayTickedButton,
          ctl::RebootTick, ctl::OtherSettingsButton, ctl::SetIpButton})
        EXPECT_TRUE(window->model().enabled(id)) << id;
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(library.countOf("StartSearchIPC"), 0u);
}

TEST_F(DriverTest, SixtyDevicesWithTwoFailuresAskOnceWithoutTheVideoOffer)
{
    listCameras(60, {ctl::SyncTimeTick});
    upgradeEnded(60, 2);
    answerAll(false);
    deliver(WM_UPGRADE_DONE);
    EXPECT_EQ(questions, Texts{u"升级完成, 总共:60, 成功:58, 失败:2。是否继续执行剩下的指令？"});
    EXPECT_TRUE(frontEnd.videoWalls.empty());
    EXPECT_EQ(text(ctl::SuccessCount), u"58");
    EXPECT_EQ(text(ctl::FailureCount), u"2");
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
    EXPECT_EQ(window->failedSinceExecute(), 2);
}

TEST_F(DriverTest, SixtyDevicesWithFailuresAndNothingLaterShowNoBox)
{
    listCameras(60, {});
    upgradeEnded(60, 2);
    deliver(WM_UPGRADE_DONE);
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
}

TEST_F(DriverTest, TenDevicesWithOneFailureOfferTheVideoAndAskNothingMore)
{
    listCameras(10, {});
    window->deviceList().setTicked(9, false);
    upgradeEnded(10, 1);
    deliver(WM_UPGRADE_DONE);
    EXPECT_EQ(questions, Texts{u"升级完成, 总共:10, 成功:9, 失败:1。是否播放视频来找出这些设备?"});
    ASSERT_EQ(frontEnd.videoWalls.size(), 1u);
    EXPECT_EQ(frontEnd.videoWalls[0].size(), 9u); // the ticked devices, in list order
    EXPECT_EQ(frontEnd.videoWalls[0][0], &record(0));
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
}

TEST_F(DriverTest, VideoOfferDeclinedThenTheRestIsAskedFor)
{
    listCameras(3, {ctl::RestoreTick});
    upgradeEnded(3, 1);
    answer = [](const std::u16string& question) {
        return question == u"是否继续执行剩下的指令？"; // no video, but go on
    };
    deliver(WM_UPGRADE_DONE);
    EXPECT_EQ(questions, (Texts{u"升级完成, 总共:3, 成功:2, 失败:1。是否播放视频来找出这些设备?",
                                u"是否继续执行剩下的指令？"}));
    EXPECT_TRUE(frontEnd.videoWalls.empty());
    EXPECT_EQ(text(ctl::CurrentAction), u"正在恢复出厂设置");
    // The restore fails on every device (the scripted library cannot log in).
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(boxes, Texts{u"恢复出厂设置完成, 总共:3，成功:0 失败:3。"});
}

TEST_F(DriverTest, FormatFailuresWithRestoreTickedAskAndYesStartsTheRestore)
{
    listCameras(3, {ctl::FormatSd1Tick, ctl::RestoreTick});
    for (int row = 0; row < 3; ++row) {
        record(row).diskIndex = 1;
        record(row).formatState = row == 0 ? 2 : 1;
    }
    answerAll(true);
    deliver(WM_FORMAT_DONE);
    EXPECT_EQ(questions, Texts{u"SD1 格式化完成, 总共:3，成功:2 失败:1。是否继续操作？"});
    EXPECT_EQ(text(ctl::CurrentAction), u"正在恢复出厂设置");
    {
        BatchState& state = window->batchState();
        vexlo::CriticalSectionLock lock(state.maintList.lock);
        EXPECT_EQ(state.maintList.items.size(), 3u);
    }
    ASSERT_TRUE(waitForFinish());
}

TEST_F(DriverTest, FormatFailuresWithNothingLaterShowTheSummaryAndFinish)
{
    listCameras(2, {ctl::FormatUsbTick});
    for (int row = 0; row < 2; ++row) {
        record(row).diskIndex = 3;
        record(row).formatState = 2;
    }
    deliver(WM_FORMAT_DONE);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(boxes, Texts{u"USB 格式化完成, 总共:2，成功:0 失败:2。"});
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
}

TEST_F(DriverTest, FormatWithoutFailuresGoesOnFromTheNextDisk)
{
    listCameras(2, {ctl::FormatSd1Tick, ctl::FormatSd2Tick});
    for (int row = 0; row < 2; ++row) {
        record(row).diskIndex = 2;
        record(row).formatState = 1;
    }
    deliver(WM_FORMAT_DONE); // after SD2, format SD2 itself is not run again
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
}

TEST_F(DriverTest, TimeSyncAndRebootSummaries)
{
    listCameras(4, {ctl::SyncTimeTick, ctl::RebootTick});
    answerAll(false);
    deliver(WM_TIMESYNC_DONE, 3, 1);
    EXPECT_EQ(questions, Texts{u"同步时间完成, 总共:4，成功:3 失败:1。是否继续操作？"});
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");

    deliver(WM_REBOOT_DONE, 3, 1);
    EXPECT_EQ(boxes, Texts{u"重启设备完成, 总共:4，成功:3 失败:1。"});
    deliver(WM_REBOOT_DONE, 4, 0); // no failures: no box
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(DriverTest, EnglishSummariesDifferInForm)
{
    listCameras(4, {ctl::RestoreTick, ctl::RebootTick});
    window->setLanguage(1);
    answerAll(false);
    deliver(WM_REBOOT_DONE, 3, 1);
    deliver(WM_RESTORE_DONE, 2, 2);
    EXPECT_EQ(boxes, Texts{u"Finished rebooting the devices，Success:3 Failed:1。"});
    EXPECT_EQ(questions, Texts{u"Restoring to factory setting is complete.Continue operating？"});
    EXPECT_EQ(text(ctl::CurrentAction), u"Complete");

    tickOnly({ctl::RestoreTick});
    deliver(WM_RESTORE_DONE, 2, 2);
    EXPECT_EQ(boxes.back(), u"Restoring to factory setting is complete.");
}

TEST_F(DriverTest, DirectButtonsRunOneOperationAndChain)
{
    listCameras(2, {});
    window->onCommand(ctl::DirectReboot);
    EXPECT_EQ(text(ctl::CurrentAction), u"正在重启设备");
    EXPECT_FALSE(window->running()); // no Execute: the panel stays as it is
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(boxes, Texts{u"重启设备完成, 总共:2，成功:0 失败:2。"});

    window->deviceList().tickAll(false);
    boxes.clear();
    window->onCommand(ctl::DirectFormatSd2);
    EXPECT_EQ(boxes, Texts{u"请先选择设备!"});
}

TEST_F(DriverTest, UpgradeStartResetsAnEarlierResult)
{
    listCameras(2, {ctl::UpgradeTick});
    window->model().userEditText(ctl::FirmwarePath, u"/nonexistent/firmware.bin");
    record(0).upgradeResult = 1;
    vexlo::copyToField(record(0).versionBefore, "V1");
    window->deviceList().setCellText(0, 4, u"V1");
    window->deviceList().setCellText(0, 5, u"V2");
    window->onCommand(ctl::ExecuteButton);
    EXPECT_EQ(text(ctl::CurrentAction), u"正在升级");
    EXPECT_EQ(window->deviceList().cellText(0, 4), u"");
    EXPECT_EQ(window->deviceList().cellText(0, 5), u"");
    EXPECT_EQ(vexlo::fieldText(record(0).versionBefore), "");
    // The scripted library refuses every login: both devices fail.
    answerAll(false);
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(questions, Texts{u"升级完成, 总共:2, 成功:0, 失败:2。是否播放视频来找出这些设备?"});
    EXPECT_EQ(window->failedSinceExecute(), 2);
}

TEST_F(DriverTest, OtherSettingsWithNothingTickedFinishesAtOnce)
{
    listCameras(2, {ctl::OtherSettingsTick});
    window->deviceList().tickAll(false);
    window->onCommand(ctl::ExecuteButton);
    EXPECT_TRUE(boxes.empty()); // no guard for the configuration push
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
    deliver(WM_APPLY_DONE); // a stray completion changes nothing
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
}

} // namespace vexlo
