#include "site_engine_fixture.h"

#include "engine/messages.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexlo {

namespace {

namespace sim = vexlo::ipcsim;

class SiteUpgrade : public SiteEngineTest
{
protected:
    // One camera running V5.2.0, changed by `change`, and a V6.0.0 firmware
    // in the path box.
    template <typename Change> _DEVICERECORD& oneCamera(Change change)
    {
        sim::CameraSetup camera = healthyCamera("UPG0001");
        change(camera);
        startSite({camera});
        setFirmwarePath(makeFirmware("V6.0.0"));
        return device(0);
    }
    _DEVICERECORD& oneCamera()
    {
        return oneCamera([](sim::CameraSetup&) {});
    }

    void run(std::vector<_DEVICERECORD*> devices)
    {
        startTick = vexlo::GetTickCount();
        upgrade(devices);
    }
    std::uint32_t elapsedToDone() const
    {
        return vexlo::tickDiff(firstDone(WM_UPGRADE_DONE)->tick, startTick);
    }

    // WM_UPGRADE_DONE came once, and the window counted as the dialog does.
    void expectSummary(int total, int succeeded, int failed)
    {
        EXPECT_EQ(doneCount(WM_UPGRADE_DONE), 1);
        EXPECT_EQ(window.upgradeTotal, total);
        EXPECT_EQ(window.upgradeSucceeded, succeeded);
        EXPECT_EQ(window.upgradeFailed, failed);
    }

    // The progress texts only climb and never pass `limit`.
    void expectPercentsClimbTo(const _DEVICERECORD& record, int limit)
    {
        const std::vector<int> percents = uploadPercents(record);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        for (int percent : percents) {
            EXPECT_GT(percent, 0);
            EXPECT_LE(percent, limit);
        }
    }

    std::string versionAnswer(const char* version) const
    {
        return healthyCamera("").versionAnswerFor(version);
    }

    std::uint32_t startTick = 0;

private:
};

const Texts kUpToCheck = {u"正在登录", u"登录成功", u"获取版本号", u"上传完成，校验文件"};

TEST_F(SiteUpgrade, SuccessShowsEveryStageAndTheNewVersionAfterTheReboot)
{
    _DEVICERECORD& camera = oneCamera();

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera), concat(kUpToCheck, {u"正在升级", u"设备重启，尝试登录 #(s)",
                                                         u"登录成功", u"获取版本号", u"升级成功"}));
    expectPercentsClimbTo(camera, 100);
    EXPECT_EQ(columnTexts(camera, COLUMN_VERSION_BEFORE), Texts{u"V5.2.0"});
    EXPECT_EQ(columnTexts(camera, COLUMN_VERSION_AFTER), Texts{u"V6.0.0"});
    EXPECT_EQ(vexlo::fieldText(camera.versionBefore), versionAnswer("V5.2.0"));
    EXPECT_EQ(vexlo::fieldText(camera.versionAfter), versionAnswer("V6.0.0"));
    EXPECT_EQ(camera.upgradeResult.load(), 1);
    EXPECT_EQ(camera.rebootState.load(), 1);
    EXPECT_EQ(camera.loginState.load(), 1);
    EXPECT_GT(camera.loginHandle.load(), 0);
    EXPECT_EQ(cameraNow(0).version, "V6.0.0");
    expectSummary(1, 1, 0);

    // One upload; the old session is closed and a new one opened after the reboot.
    EXPECT_EQ(uploadsOffered(0), 1u);
    EXPECT_EQ(loginAttempts(0), 2u);
    EXPECT_EQ(requestsTo(0, sim::request_kind::kSystemControl, CMD_VERSION).size(), 2u);
    // The check, the 15 s before the first re-login and the 1 s success pause.
    EXPECT_GE(elapsedToDone(), 3000u + 15000u + 1000u);
}

TEST_F(SiteUpgrade, RefusedLoginFailsWhenItsTimeoutRunsOut)
{
    _DEVICERECORD& camera = oneCamera([](sim::CameraSetup& c) { c.faults.loginRefused = true; });

    run({&camera});

    EXPECT_TEXTS(statusTexts(camera), u"正在登录", u"登录失败");
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_EQ(camera.loginState.load(), -1);
    EXPECT_EQ(camera.loginHandle.load(), 0);
    EXPECT_GE(elapsedToDone(), 18000u);
    EXPECT_EQ(uploadsOffered(0), 0u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, VersionNeverAnsweredFailsAfter80Seconds)
{
    _DEVICERECORD& camera =
        oneCamera([](sim::CameraSetup& c) { c.faults.unansweredCodes.insert(CMD_VERSION); });

    run({&camera});

    EXPECT_TEXTS(statusTexts(camera), u"正在登录", u"登录成功", u"获取版本号", u"获取版本号失败");
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_TRUE(columnTexts(camera, COLUMN_VERSION_BEFORE).empty());
    EXPECT_GE(elapsedToDone(), 80000u);
    EXPECT_EQ(requestsTo(0, sim::request_kind::kSystemControl, CMD_VERSION).size(), 1u)
        << "a sent query is not sent again";
    EXPECT_EQ(uploadsOffered(0), 0u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, FirmwareThatCannotBeOpenedIsGivenUpAfter21Submissions)
{
    _DEVICERECORD& camera = oneCamera();
    setFirmwarePath(makeFirmware("V6.0.0") + u".missing");

    run({&camera});

    EXPECT_TEXTS(statusTexts(camera), u"正在登录", u"登录成功", u"获取版本号", u"提交上传文件失败");
    EXPECT_EQ(columnTexts(camera, COLUMN_VERSION_BEFORE), Texts{u"V5.2.0"});
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_EQ(camera.loginState.load(), 1) << "stays logged in";
    // One submission per pass: the 21st comes 20 passes after the first.
    EXPECT_GE(elapsedToDone(), 20000u);
    EXPECT_EQ(uploadsOffered(0), 0u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, UploadWithoutProgressFor15SecondsHasStalled)
{
    _DEVICERECORD& camera =
        oneCamera([](sim::CameraSetup& c) { c.faults.uploadStallPercent = 40; });

    run({&camera});

    EXPECT_TEXTS(statusTexts(camera), u"正在登录", u"登录成功", u"获取版本号", u"上传文件 #%",
                 u"获取上传文件进度失败");
    expectPercentsClimbTo(camera, 40);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_EQ(camera.rebootState.load(), 0);
    EXPECT_TRUE(state.progressQueue.items.empty());
    EXPECT_EQ(cameraNow(0).version, "V5.2.0");
    EXPECT_GE(elapsedToDone(), 15000u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, UploadAbortedByTheCameraFailsWithTheUploadFailedText)
{
    _DEVICERECORD& camera = oneCamera([](sim::CameraSetup& c) { c.faults.uploadFailPercent = 50; });

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera), u"正在登录", u"登录成功", u"获取版本号", u"上传文件失败");
    expectPercentsClimbTo(camera, 50);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_EQ(camera.rebootState.load(), 0);
    EXPECT_EQ(cameraNow(0).version, "V5.2.0");
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, RefusedFirmwareFailsAndTheDeviceStaysLoggedIn)
{
    _DEVICERECORD& camera = oneCamera([](sim::CameraSetup& c) { c.faults.firmwareRefused = true; });

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera), concat(kUpToCheck, {u"该文件不能升级"}));
    EXPECT_EQ(camera.rebootState.load(), 2);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_GT(camera.loginHandle.load(), 0);
    EXPECT_EQ(cameraNow(0).version, "V5.2.0");
    EXPECT_EQ(loginAttempts(0), 1u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, NoVerdictWithin240SecondsFailsTheCheck)
{
    _DEVICERECORD& camera = oneCamera(
        [](sim::CameraSetup& c) { c.faults.unansweredCodes.insert(CMD_FIRMWARE_VERDICT); });

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera), concat(kUpToCheck, {u"校验文件超时，升级失败"}));
    // The wait counts its seconds up to the limit just before giving up.
    const Texts shown = statusTexts(camera);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2], u"上传完成，校验文件 #(s)");
    const int waited = largestSeconds(camera, u"上传完成，校验文件 ");
    EXPECT_GE(waited, 236);
    EXPECT_LT(waited, 240);
    EXPECT_EQ(camera.rebootState.load(), 3);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_GE(vexlo::tickDiff(firstDone(WM_UPGRADE_DONE)->tick, camera.rebootStartTick.load()),
              240000u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, AcceptanceAfterTheCheckTimeoutChangesNothing)
{
    _DEVICERECORD& camera = oneCamera(
        [](sim::CameraSetup& c) { c.faults.answerDelaySeconds[CMD_FIRMWARE_VERDICT] = 250; });

    run({&camera});
    // The camera takes the firmware late and reboots into it; once it is back,
    // its verdict has long reached the library.
    ASSERT_TRUE(waitFor([&] {
        const auto now = cameraNow(0);
        return now.version == "V6.0.0" && now.listening;
    }));
    syncWithController();

    EXPECT_EQ(columnTexts(camera, COLUMN_STATUS).back(), u"校验文件超时，升级失败");
    EXPECT_EQ(camera.rebootState.load(), 3);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_EQ(camera.loginPurpose.load(), 2);
    EXPECT_TRUE(requestsTo(0, sim::request_kind::kLogout).empty());
    EXPECT_EQ(loginAttempts(0), 1u) << "no re-login was queued";
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, DeviceThatNeverComesBackIsGivenUpAfter180Seconds)
{
    _DEVICERECORD& camera =
        oneCamera([](sim::CameraSetup& c) { c.faults.neverBackAfterReboot = true; });

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera),
                 concat(kUpToCheck, {u"正在升级", u"设备重启，尝试登录 #(s)", u"登录失败"}));
    EXPECT_EQ(camera.rebootState.load(), 1);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    EXPECT_EQ(camera.loginState.load(), -1);
    EXPECT_EQ(camera.loginHandle.load(), 0) << "stays logged out";
    EXPECT_TRUE(columnTexts(camera, COLUMN_VERSION_AFTER).empty());
    // The check (3 s) plus the re-login's limit, counted from its queueing.
    EXPECT_GE(vexlo::tickDiff(firstDone(WM_UPGRADE_DONE)->tick, camera.rebootStartTick.load()),
              3000u + 180000u);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, SameVersionAfterTheRebootFails)
{
    _DEVICERECORD& camera = oneCamera();
    setFirmwarePath(makeFirmware("V5.2.0"));

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera),
                 concat(kUpToCheck, {u"正在升级", u"设备重启，尝试登录 #(s)", u"登录成功",
                                     u"获取版本号", u"版本号一致，升级失败"}));
    EXPECT_EQ(columnTexts(camera, COLUMN_VERSION_BEFORE), Texts{u"V5.2.0"});
    EXPECT_EQ(columnTexts(camera, COLUMN_VERSION_AFTER), Texts{u"V5.2.0"});
    EXPECT_EQ(vexlo::fieldText(camera.versionAfter), vexlo::fieldText(camera.versionBefore));
    EXPECT_EQ(camera.rebootState.load(), 1);
    EXPECT_EQ(camera.upgradeResult.load(), 2);
    expectSummary(1, 0, 1);
}

TEST_F(SiteUpgrade, LoggedInDeviceWithAVersionGoesStraightToTheUpload)
{
    _DEVICERECORD& camera = oneCamera();
    logInAlready(camera);
    const std::string earlier = versionAnswer("V5.1.0");
    vexlo::copyToField(camera.versionBefore, earlier);

    run({&camera});

    EXPECT_TEXTS(stageTexts(camera), u"上传完成，校验文件", u"正在升级", u"设备重启，尝试登录 #(s)",
                 u"登录成功", u"获取版本号", u"升级成功");
    EXPECT_TRUE(columnTexts(camera, COLUMN_VERSION_BEFORE).empty());
    EXPECT_EQ(vexlo::fieldText(camera.versionBefore), earlier);
    EXPECT_EQ(columnTexts(camera, COLUMN_VERSION_AFTER), Texts{u"V6.0.0"});
    // Only the query after the reboot, and only the re-login besides ours.
    EXPECT_EQ(requestsTo(0, sim::request_kind::kSystemControl, CMD_VERSION).size(), 1u);
    EXPECT_EQ(loginAttempts(0), 2u);
    EXPECT_EQ(camera.upgradeResult.load(), 1);
    expectSummary(1, 1, 0);
}

TEST_F(SiteUpgrade, DevicesMoveThroughTheStagesSideBySide)
{
    sim::CameraSetup good = healthyCamera("UPG0001");
    sim::CameraSetup refuses = healthyCamera("UPG0002");
    refuses.faults.firmwareRefused = true;
    sim::CameraSetup locked = healthyCamera("UPG0003");
    locked.faults.loginRefused = true;
    sim::CameraSetup alsoGood = healthyCamera("UPG0004");
    alsoGood.firmwareVersion = "V4.0.0";
    startSite({good, refuses, locked, alsoGood});
    setFirmwarePath(makeFirmware("V6.0.0"));

    run({&device(0), &device(1), &device(2), &device(3)});

    EXPECT_EQ(stageTexts(device(0)).back(), u"升级成功");
    EXPECT_EQ(stageTexts(device(1)).back(), u"该文件不能升级");
    EXPECT_EQ(stageTexts(device(2)).back(), u"登录失败");
    EXPECT_EQ(stageTexts(device(3)).back(), u"升级成功");
    EXPECT_EQ(columnTexts(device(3), COLUMN_VERSION_BEFORE), Texts{u"V4.0.0"});
    EXPECT_EQ(cameraNow(3).version, "V6.0.0");
    expectSummary(4, 2, 2);
    // Side by side, the run takes about as long as its slowest device alone.
    EXPECT_LT(elapsedToDone(), 60000u);
}

} // namespace

} // namespace vexlo
