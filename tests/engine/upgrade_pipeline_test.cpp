#include "worker_fixture.h"

#include "engine/messages.h"
#include "engine/task_queueing.h"
#include "platform/codepage.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

namespace vexlo {

namespace {

class UpgradePipeline : public WorkerTest
{
protected:
    // Runs the upgrade of `devices` until WM_UPGRADE_DONE, then lets the
    // controller serve whatever is still queued for it.
    void upgrade(const std::vector<_DEVICERECORD*>& devices)
    {
        startTick = vexlo::GetTickCount();
        startUpgrade(devices);
        ASSERT_TRUE(waitForDone(WM_UPGRADE_DONE));
        doneTick = firstDone(WM_UPGRADE_DONE)->tick;
        // Every device had its result when the summary was counted.
        EXPECT_EQ(window.upgradeSucceeded + window.upgradeFailed, window.upgradeTotal);
        syncWithController();
    }

    std::uint32_t elapsedToDone() const { return vexlo::tickDiff(doneTick, startTick); }

    // The first call of `name` to `device` at or after `from`; its tick.
    std::uint32_t firstCallTick(const std::string& name, const std::string& device,
                                std::uint32_t from = 0) const
    {
        for (const FakeCall& call : fake.callsNamed(name)) {
            if (call.device == device && vexlo::tickDiff(call.tick, startTick) >= from)
                return call.tick;
        }
        ADD_FAILURE() << "no " << name << " call to " << device;
        return 0;
    }

    std::uint32_t startTick = 0;
    std::uint32_t doneTick = 0;
};

// The texts a successful run shows up to the end of the upload; the seconds of
// the check wait appear only when the verdict takes a pass or more.
const Texts kUpToUpload = {u"正在登录",     u"登录成功",      u"获取版本号",        u"上传文件 25%",
                           u"上传文件 50%", u"上传文件 100%", u"上传完成，校验文件"};

Texts withoutCheckWait(Texts texts)
{
    std::erase(texts, u"上传完成，校验文件 #(s)");
    return texts;
}

TEST_F(UpgradePipeline, SuccessShowsEveryStageAndBothVersions)
{
    setFirmwarePath(u"/固件/ipc.bin");
    _DEVICERECORD* camera = addDevice("127.0.0.11");

    upgrade({camera});

    EXPECT_EQ(withoutCheckWait(statusTexts(*camera)),
              concat(kUpToUpload, {u"正在升级", u"设备重启，尝试登录 #(s)", u"登录成功",
                                   u"获取版本号", u"升级成功"}))
        << describeTexts(statusTexts(*camera));
    EXPECT_EQ(columnTexts(*camera, COLUMN_VERSION_BEFORE), Texts{u"V1.0.0"});
    EXPECT_EQ(columnTexts(*camera, COLUMN_VERSION_AFTER), Texts{u"V2.0.0"});
    EXPECT_EQ(camera->upgradeResult.load(), 1);
    EXPECT_EQ(camera->rebootState.load(), 1);
    EXPECT_EQ(camera->loginState.load(), 1);
    EXPECT_EQ(camera->loginHandle.load(), fake.handleOf("127.0.0.11"));
    EXPECT_STREQ(camera->versionBefore, "<RESPONSE_PARAM FileSystemVersion=\"V1.0.0\" />");
    EXPECT_STREQ(camera->versionAfter, "<RESPONSE_PARAM FileSystemVersion=\"V2.0.0\" />");
    EXPECT_EQ(doneCount(WM_UPGRADE_DONE), 1);

    // The path goes to the library in GBK, read when the firmware is submitted.
    const auto uploads = fake.callsNamed("Upgrade");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].text, vexlo::utf16ToGbk(u"/固件/ipc.bin"));
    // The old session is closed before the device goes down; the re-login waits
    // 15 s for it to come back.
    const auto logouts = fake.callsNamed("Logout");
    ASSERT_EQ(logouts.size(), 1u);
    const std::uint32_t verdict = logouts[0].tick;
    EXPECT_GE(
        vexlo::tickDiff(firstCallTick("Login", "127.0.0.11", vexlo::tickDiff(verdict, startTick)),
                        verdict),
        15000u);
}

TEST_F(UpgradePipeline, EnglishTextsFollowTheLanguageInForceWhenWritten)
{
    state.languageIndex = 1;
    _DEVICERECORD* camera =
        addDevice("127.0.0.12", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));

    upgrade({camera});

    EXPECT_TEXTS(statusTexts(*camera), u"Loging in", u"login failed");
}

TEST_F(UpgradePipeline, RefusedLoginFailsOnlyWhenItsTimeoutRunsOut)
{
    _DEVICERECORD* camera =
        addDevice("127.0.0.13", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));

    upgrade({camera});

    EXPECT_TEXTS(statusTexts(*camera), u"正在登录", u"登录失败");
    EXPECT_EQ(camera->upgradeResult.load(), 2);
    EXPECT_EQ(camera->loginState.load(), -1);
    EXPECT_EQ(camera->loginHandle.load(), 0);
    EXPECT_GE(elapsedToDone(), 18000u);
    EXPECT_EQ(fake.callsNamed("Login").size(), 1u) << "a refused login is not retried";
}

TEST_F(UpgradePipeline, UnansweredLoginIsLoggedOutAtItsTimeout)
{
    _DEVICERECORD* camera =
        addDevice("127.0.0.14", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Silent; }));

    upgrade({camera});

    EXPECT_TEXTS(statusTexts(*camera), u"正在登录", u"登录失败");
    EXPECT_EQ(camera->upgradeResult.load(), 2);
    const auto logouts = fake.callsNamed("Logout");
    ASSERT_EQ(logouts.size(), 1u);
    EXPECT_EQ(logouts[0].device, "127.0.0.14");
    EXPECT_GE(elapsedToDone(), 18000u);
    EXPECT_LT(elapsedToDone(), 30000u);
}

TEST_F(UpgradePipeline, LoginAnsweredBeforeTheHandleIsStoredIsNotLost)
{
    _DEVICERECORD* camera =
        addDevice("127.0.0.15", scripted([](FakeDeviceScript& s) { s.answerBeforeReturn = true; }));

    upgrade({camera});

    EXPECT_EQ(camera->upgradeResult.load(), 1) << describeTexts(statusTexts(*camera));
    EXPECT_LT(elapsedToDone(), 40000u) << "neither login waited for its timeout";
}

TEST_F(UpgradePipeline, FirmwareSubmissionIsGivenUpAfter21Tries)
{
    _DEVICERECORD* camera =
        addDevice("127.0.0.17", scripted([](FakeDeviceScript& s) { s.submitFailures = -1; }));

    upgrade({camera});

    EXPECT_TEXTS(statusTexts(*camera), u"正在登录", u"登录成功", u"获取版本号",
                 u"提交上传文件失败");
    EXPECT_EQ(fake.callsNamed("Upgrade").size(), 21u);
    EXPECT_EQ(camera->upgradeResult.load(), 2);
}

TEST_F(UpgradePipeline, SubmissionThatSucceedsOnARetryGoesOn)
{
    _DEVICERECORD* camera =
        addDevice("127.0.0.18", scripted([](FakeDeviceScript& s) { s.submitFailures = 3; }));
    setFirmwarePath(u"/first.bin");
    std::u16string changed = u"/second.bin";

    startTick = vexlo::GetTickCount();
    startUpgrade({camera});
    // The path is read anew for every submission.
    ASSERT_TRUE(waitFor([&] { return fake.callsNamed("Upgrade").size() >= 2; }));
    setFirmwarePath(changed);
    ASSERT_TRUE(waitForDone(WM_UPGRADE_DONE));

    const auto uploads = fake.callsNamed("Upgrade");
    ASSERT_EQ(uploads.size(), 4u);
    EXPECT_EQ(uploads.front().text, "/first.bin");
    EXPECT_EQ(uploads.back().text, "/second.bin");
    EXPECT_EQ(camera->upgradeResult.load(), 1);
}

TEST_F(UpgradePipeline, UploadThatEndsBeforeItsSubmissionIsReportedIsNotLost)
{
    // A small file can be through before the upload thread reports the
    // submission: the end event then finds no progress watch yet.
    auto endsAtOnce = [](FakeUploadEnd end) {
        return scripted([end](FakeDeviceScript& s) {
            s.progress.clear();
            s.uploadEndsInsideTheCall = true;
            s.uploadEnd = end;
            s.firmwareDelayMs = 2000;
        });
    };
    _DEVICERECORD* done = addDevice("127.0.0.24", endsAtOnce(FakeUploadEnd::Finished));
    _DEVICERECORD* failed = addDevice("127.0.0.25", endsAtOnce(FakeUploadEnd::Failed));

    upgrade({done, failed});

    EXPECT_EQ(done->upgradeResult.load(), 1) << describeTexts(statusTexts(*done));
    EXPECT_TEXTS(statusTexts(*failed), u"正在登录", u"登录成功", u"获取版本号", u"上传文件失败");
    EXPECT_EQ(failed->upgradeResult.load(), 2);
    EXPECT_EQ(state.progressQueue.items.size(), 0u);
}

TEST_F(UpgradePipeline, RefusalAfterTheCheckTimeoutDoesNotEndTheRunAgain)
{
    _DEVICERECORD* camera = addDevice("127.0.0.29", scripted([](FakeDeviceScript& s) {
                                          s.firmware = FakeReply::Refuse;
                                          s.firmwareDelayMs = 250000;
                                      }));

    upgrade({camera});
    const int delivered = fake.deliveredCount();
    ASSERT_TRUE(waitFor([&] { return fake.deliveredCount() > delivered; }));
    syncWithController();

    EXPECT_EQ(lastStatus(*camera), u"校验文件超时，升级失败");
    EXPECT_EQ(camera->rebootState.load(), 3);
    EXPECT_EQ(doneCount(WM_UPGRADE_DONE), 1);
}

TEST_F(UpgradePipeline, VerdictForADeviceWhoseUploadStalledChangesNothing)
{
    // The progress stops at 40%, so the device fails after 15 s; the camera
    // accepts the firmware anyway, long after the run was counted.
    _DEVICERECORD* camera = addDevice("127.0.0.30", scripted([](FakeDeviceScript& s) {
                                          s.progress = {10, 40};
                                          s.uploadEnd = FakeUploadEnd::StallThenVerdict;
                                          s.firmwareDelayMs = 40000;
                                      }));

    upgrade({camera});
    const int delivered = fake.deliveredCount();
    ASSERT_TRUE(waitFor([&] { return fake.deliveredCount() > delivered; }));
    syncWithController();

    EXPECT_EQ(lastStatus(*camera), u"获取上传文件进度失败");
    EXPECT_EQ(camera->upgradeResult.load(), 2);
    EXPECT_EQ(camera->rebootState.load(), 0);
    EXPECT_EQ(fake.callsNamed("Logout").size(), 0u) << "the failed device is not revived";
    EXPECT_EQ(doneCount(WM_UPGRADE_DONE), 1);
}

TEST_F(UpgradePipeline, DeviceThatDoesNotComeBackIsGivenUpAfter180Seconds)
{
    _DEVICERECORD* camera =
        addDevice("127.0.0.24",
                  scripted([](FakeDeviceScript& s) { s.loginAfterFirmware = FakeReply::Silent; }));

    upgrade({camera});

    EXPECT_EQ(withoutCheckWait(statusTexts(*camera)),
              concat(kUpToUpload, {u"正在升级", u"设备重启，尝试登录 #(s)", u"登录失败"}));
    EXPECT_EQ(camera->upgradeResult.load(), 2);
    EXPECT_EQ(camera->loginState.load(), -1);
    EXPECT_EQ(camera->loginHandle.load(), 0) << "stays logged out";
    const std::uint32_t wentDown = fake.callsNamed("Logout").front().tick;
    EXPECT_GE(vexlo::tickDiff(doneTick, wentDown), 180000u);
}

TEST_F(UpgradePipeline, AnswerThatDiffersInAnyByteCountsAsSuccess)
{
    FakeDeviceScript script;
    script.versionAnswerAfter = script.versionAnswer + " ";
    _DEVICERECORD* camera = addDevice("127.0.0.26", script);

    upgrade({camera});

    EXPECT_EQ(lastStatus(*camera), u"升级成功");
    EXPECT_EQ(camera->upgradeResult.load(), 1);
}

TEST_F(UpgradePipeline, LoggedInDeviceWithoutAVersionSkipsOnlyTheLogin)
{
    _DEVICERECORD* camera = addDevice("127.0.0.28");
    logInAlready(*camera);

    upgrade({camera});

    EXPECT_EQ(statusTexts(*camera).front(), u"获取版本号");
    EXPECT_EQ(columnTexts(*camera, COLUMN_VERSION_BEFORE), Texts{u"V1.0.0"});
    EXPECT_EQ(camera->upgradeResult.load(), 1);
}

TEST_F(UpgradePipeline, MixedOutcomesEndWithOneDoneMessage)
{
    _DEVICERECORD* good = addDevice("127.0.0.31");
    _DEVICERECORD* refused = addDevice(
        "127.0.0.32", scripted([](FakeDeviceScript& s) { s.firmware = FakeReply::Refuse; }));
    _DEVICERECORD* unreachable =
        addDevice("127.0.0.33", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));
    _DEVICERECORD* alsoGood =
        addDevice("127.0.0.34", scripted([](FakeDeviceScript& s) { s.answerBeforeReturn = true; }));

    upgrade({good, refused, unreachable, alsoGood});

    EXPECT_EQ(good->upgradeResult.load(), 1);
    EXPECT_EQ(refused->upgradeResult.load(), 2);
    EXPECT_EQ(unreachable->upgradeResult.load(), 2);
    EXPECT_EQ(alsoGood->upgradeResult.load(), 1);
    EXPECT_EQ(doneCount(WM_UPGRADE_DONE), 1);
    EXPECT_EQ(window.upgradeTotal, 4);
    EXPECT_EQ(window.upgradeSucceeded, 2);
    EXPECT_EQ(window.upgradeFailed, 2);
    // The firmware submissions run one after another on one thread, but the
    // devices move through the other stages side by side.
    EXPECT_LT(elapsedToDone(), 60000u);
}

TEST_F(UpgradePipeline, FailedLoginTaskAllocationShowsItsOwnText)
{
    _DEVICERECORD* camera = addDevice("127.0.0.35");
    failTaskAllocationsForTesting(true);
    startUpgrade({camera});
    const bool done = waitForDone(WM_UPGRADE_DONE);
    failTaskAllocationsForTesting(false);

    ASSERT_TRUE(done);
    EXPECT_TEXTS(statusTexts(*camera), u"正在登录", u"登录内存申请失败");
    EXPECT_EQ(camera->upgradeResult.load(), 2);
}

TEST_F(UpgradePipeline, FailedVersionTaskAllocationShowsItsOwnText)
{
    _DEVICERECORD* camera = addDevice("127.0.0.36");
    logInAlready(*camera);
    failTaskAllocationsForTesting(true);
    startUpgrade({camera});
    const bool done = waitForDone(WM_UPGRADE_DONE);
    failTaskAllocationsForTesting(false);

    ASSERT_TRUE(done);
    EXPECT_TEXTS(statusTexts(*camera), u"内存申请失败");
    EXPECT_EQ(camera->upgradeResult.load(), 2);
}

} // namespace

} // namespace vexlo
