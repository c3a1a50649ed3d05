#include "tests/support/wait.h"
#include "worker_fixture.h"

#include "engine/maintenance.h"
#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "engine/task_queueing.h"
#include "engine/time_sync_runner.h"
#include "platform/codepage.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

#include <regex>

namespace vexlo {

namespace {

class Maintenance : public WorkerTest
{
protected:
    void run(std::uint32_t message, std::uint32_t doneMessage, WPARAM wParam = 0)
    {
        startTick = vexlo::GetTickCount();
        ASSERT_TRUE(workers.postToMaintenance(message, wParam));
        ASSERT_TRUE(waitForDone(doneMessage));
    }

    std::uint32_t elapsedTo(std::uint32_t doneMessage) const
    {
        return vexlo::tickDiff(firstDone(doneMessage)->tick, startTick);
    }

    std::uint32_t startTick = 0;
};

// The texts of a device that the login step has to log in first.
const Texts kLoggedInFirst = {u"正在登录", u"登录成功"};

TEST_F(Maintenance, RebootCountsDevicesThatCouldNotBeLoggedInAsFailures)
{
    _DEVICERECORD* loggedIn = addDevice("127.0.1.1");
    logInAlready(*loggedIn);
    _DEVICERECORD* needsLogin = addDevice("127.0.1.2");
    _DEVICERECORD* refusesLogin =
        addDevice("127.0.1.3", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));
    _DEVICERECORD* refusesReboot =
        addDevice("127.0.1.4", scripted([](FakeDeviceScript& s) { s.rebootResult = -1; }));
    logInAlready(*refusesReboot);
    fillMaintList({loggedIn, needsLogin, refusesLogin, refusesReboot});

    run(TM_REBOOT, WM_REBOOT_DONE);

    const DoneMessage* done = firstDone(WM_REBOOT_DONE);
    EXPECT_EQ(done->wParam, 2u);
    EXPECT_EQ(done->lParam, 2);
    EXPECT_EQ(statusTexts(*loggedIn), (Texts{u"登录成功", u"重启设备成功"}));
    EXPECT_EQ(statusTexts(*needsLogin), concat(kLoggedInFirst, {u"重启设备成功"}));
    EXPECT_EQ(statusTexts(*refusesLogin), (Texts{u"正在登录", u"登录失败"}));
    EXPECT_EQ(statusTexts(*refusesReboot), (Texts{u"登录成功", u"重启设备失败"}));
    EXPECT_EQ(refusesLogin->loginState.load(), -1);
    EXPECT_EQ(needsLogin->loginHandle.load(), fake.handleOf("127.0.1.2"));
    EXPECT_EQ(needsLogin->loginState.load(), 1);
    EXPECT_GE(elapsedTo(WM_REBOOT_DONE), 18000u) << "the refused login ends by its timeout";
    EXPECT_EQ(fake.callsNamed("RebootDVR").size(), 3u);
}

TEST_F(Maintenance, DevicesLoggedInAlreadySkipTheLoginWaits)
{
    // A slower clock, so that a loaded machine's delays stay small beside the
    // waits this must not make.
    vexlo::setTimeScaleForTesting(5);
    _DEVICERECORD* first = addDevice("127.0.1.5");
    _DEVICERECORD* second = addDevice("127.0.1.6");
    logInAlready(*first);
    logInAlready(*second);
    fillMaintList({first, second});

    run(TM_REBOOT, WM_REBOOT_DONE);

    EXPECT_EQ(fake.callsNamed("Login").size(), 0u);
    EXPECT_EQ(statusTexts(*first), Texts{u"重启设备成功"});
    EXPECT_LT(elapsedTo(WM_REBOOT_DONE), 4000u) << "only the 2 s pause before the report";
    EXPECT_EQ(firstDone(WM_REBOOT_DONE)->wParam, 2u);
}

TEST_F(Maintenance, EnglishLoginFailureText)
{
    state.languageIndex = 1;
    _DEVICERECORD* camera =
        addDevice("127.0.1.7", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Silent; }));
    fillMaintList({camera});

    run(TM_REBOOT, WM_REBOOT_DONE);

    EXPECT_EQ(statusTexts(*camera), (Texts{u"Loging in", u"login failed"}));
    EXPECT_EQ(firstDone(WM_REBOOT_DONE)->lParam, 1);
    EXPECT_EQ(fake.callsNamed("Logout").size(), 1u) << "the unconfirmed session is closed";
}

TEST_F(Maintenance, LoginThatCannotBeQueuedFailsAtOnce)
{
    vexlo::setTimeScaleForTesting(5); // as above
    _DEVICERECORD* camera = addDevice("127.0.1.8");
    fillMaintList({camera});
    failTaskAllocationsForTesting(true);
    startTick = vexlo::GetTickCount();
    workers.postToMaintenance(TM_REBOOT);
    const bool done = waitForDone(WM_REBOOT_DONE);
    failTaskAllocationsForTesting(false);

    ASSERT_TRUE(done);
    EXPECT_EQ(statusTexts(*camera), (Texts{u"正在登录", u"登录内存申请失败"}));
    EXPECT_EQ(firstDone(WM_REBOOT_DONE)->lParam, 1);
    EXPECT_LT(elapsedTo(WM_REBOOT_DONE), 4000u) << "nothing waited for a login never queued";
}

TEST_F(Maintenance, TimeSyncSendsTheLocalTimeAndCountsAnswers)
{
    _DEVICERECORD* answers = addDevice("127.0.1.10");
    _DEVICERECORD* refuses = addDevice(
        "127.0.1.11", scripted([](FakeDeviceScript& s) { s.timeSync = FakeReply::Refuse; }));
    _DEVICERECORD* silent = addDevice(
        "127.0.1.12", scripted([](FakeDeviceScript& s) { s.timeSync = FakeReply::Silent; }));
    _DEVICERECORD* unreachable =
        addDevice("127.0.1.13", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));
    logInAlready(*answers);
    logInAlready(*refuses);
    logInAlready(*silent);
    fillMaintList({answers, refuses, silent, unreachable});

    run(TM_TIMESYNC, WM_TIMESYNC_DONE);

    const DoneMessage* done = firstDone(WM_TIMESYNC_DONE);
    EXPECT_EQ(done->wParam, 1u);
    EXPECT_EQ(done->lParam, 3);
    EXPECT_EQ(lastStatus(*answers), u"同步时间成功");
    EXPECT_EQ(lastStatus(*refuses), u"同步时间失败");
    EXPECT_EQ(lastStatus(*silent), u"同步时间失败");
    EXPECT_EQ(lastStatus(*unreachable), u"同步时间失败");
    EXPECT_EQ(answers->timeSyncState.load(), 1);
    EXPECT_EQ(refuses->timeSyncState.load(), 2);
    EXPECT_EQ(silent->timeSyncState.load(), 0);
    EXPECT_EQ(unreachable->timeSyncState.load(), 2);

    const auto requests = fake.callsNamed("SystemControl");
    ASSERT_EQ(requests.size(), 3u) << "the device that is not logged in is not sent anything";
    static const std::regex form("<REQUEST_PARAM\r\nTime=\"\\d{8} \\d\\d:\\d\\d:\\d\\d\"\r\n"
                                 "TimeZone=\"4800\"\n/>");
    for (const FakeCall& request : requests) {
        EXPECT_EQ(request.command, 1005);
        EXPECT_TRUE(std::regex_match(request.text, form)) << request.text;
    }
    EXPECT_TRUE(state.timeSyncPendingList.items.empty());
}

TEST(TimeSyncRequest, IsTheFixedTextWithTheLocalTime)
{
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 0;
    time.tm_mday = 5;
    time.tm_hour = 7;
    time.tm_min = 3;
    time.tm_sec = 9;
    EXPECT_EQ(timeSyncRequest(time),
              "<REQUEST_PARAM\r\nTime=\"20260105 07:03:09\"\r\nTimeZone=\"4800\"\n/>");
}

TEST_F(Maintenance, RestoreRecognisesDevicesAtTheFactoryAddresses)
{
    auto restoredAt = [](std::string address) {
        return scripted([address](FakeDeviceScript& s) { s.restoreAddress = address; });
    };
    _DEVICERECORD* first = addDevice("127.0.1.20", restoredAt("192.168.0.123"));
    _DEVICERECORD* second = addDevice("127.0.1.21", restoredAt("192.168.1.123"));
    _DEVICERECORD* elsewhere = addDevice("127.0.1.22", restoredAt("10.1.1.9"));
    _DEVICERECORD* refuses =
        addDevice("127.0.1.23", scripted([](FakeDeviceScript& s) { s.restoreResult = -1; }));
    _DEVICERECORD* unreachable =
        addDevice("127.0.1.24", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));
    for (_DEVICERECORD* record : {first, second, elsewhere, refuses})
        logInAlready(*record);
    fake.addSearchResult({"SOMEONE-ELSE", "127.0.1.99"});
    fillMaintList({first, second, elsewhere, refuses, unreachable});

    run(TM_RESTORE, WM_RESTORE_DONE);

    const DoneMessage* done = firstDone(WM_RESTORE_DONE);
    EXPECT_EQ(done->wParam, 2u);
    EXPECT_EQ(done->lParam, 3);
    // While the login step waits for the unreachable device, the devices that
    // are logged in already are shown as such.
    EXPECT_EQ(statusTexts(*first), (Texts{u"登录成功", u"正在恢复出厂设置", u"恢复出厂设置成功"}));
    EXPECT_EQ(statusTexts(*second), (Texts{u"登录成功", u"正在恢复出厂设置", u"恢复出厂设置成功"}));
    EXPECT_EQ(statusTexts(*elsewhere),
              (Texts{u"登录成功", u"正在恢复出厂设置", u"恢复出厂设置失败"}));
    EXPECT_EQ(statusTexts(*refuses),
              (Texts{u"登录成功", u"正在恢复出厂设置", u"恢复出厂设置失败"}));
    EXPECT_EQ(statusTexts(*unreachable), (Texts{u"正在登录", u"登录失败"}));
    EXPECT_EQ(first->restoreState.load(), 1);
    EXPECT_EQ(elsewhere->restoreState.load(), 2);
    EXPECT_EQ(refuses->restoreState.load(), 2);
    EXPECT_EQ(unreachable->restoreState.load(), 3);
    EXPECT_EQ(first->loginHandle.load(), fake.handleOf("127.0.1.20")) << "left logged in";

    // Every device was decided at the first look, so the 14 s wait ended early.
    const auto started = fake.callsNamed("StartSearchIPC");
    const auto stopped = fake.callsNamed("StopSearchIPC");
    ASSERT_EQ(started.size(), 1u);
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_LT(vexlo::tickDiff(stopped[0].tick, started[0].tick), 2000u + 14000u);
    EXPECT_EQ(state.restoreSearchCursor.load(), 4) << "every search result examined once";
    EXPECT_TRUE(state.restorePendingList.items.empty());
}

TEST_F(Maintenance, RestoredDeviceNeverFoundKeepsItsTextAndFailsAfterTheWait)
{
    _DEVICERECORD* lost = addDevice("127.0.1.25");
    logInAlready(*lost);
    fillMaintList({lost});

    run(TM_RESTORE, WM_RESTORE_DONE);

    EXPECT_EQ(statusTexts(*lost), Texts{u"正在恢复出厂设置"});
    EXPECT_EQ(lost->restoreState.load(), 0);
    EXPECT_EQ(firstDone(WM_RESTORE_DONE)->lParam, 1);
    const auto started = fake.callsNamed("StartSearchIPC");
    const auto stopped = fake.callsNamed("StopSearchIPC");
    EXPECT_GE(vexlo::tickDiff(stopped[0].tick, started[0].tick), 2000u + 14000u);
}

TEST_F(Maintenance, RestoreTimerDoesNotOutliveTheRestore)
{
    _DEVICERECORD* camera = addDevice(
        "127.0.1.26", scripted([](FakeDeviceScript& s) { s.restoreAddress = "192.168.0.123"; }));
    logInAlready(*camera);
    fillMaintList({camera});
    int ticks = 0;
    window.restoreTimer = [&] {
        ++ticks;
        workers.onRestoreTimer();
    };

    run(TM_RESTORE, WM_RESTORE_DONE);
    const int ticksAtEnd = ticks;
    const std::uint32_t end = vexlo::GetTickCount();
    // Five timer periods later nothing has ticked any more.
    ASSERT_FALSE(waitFor([&] { return ticks > ticksAtEnd; }, std::chrono::milliseconds(75)));
    EXPECT_GE(vexlo::ticksSince(end), 5 * 1500u);
}

class Format : public Maintenance
{
protected:
    _DEVICERECORD* loggedInDevice(const std::string& ip, FakeDeviceScript script = {})
    {
        _DEVICERECORD* record = addDevice(ip, std::move(script));
        logInAlready(*record);
        return record;
    }
};

TEST_F(Format, EachDeviceEndsWithItsOwnOutcome)
{
    _DEVICERECORD* formats = loggedInDevice("127.0.2.1");
    _DEVICERECORD* notMounted =
        loggedInDevice("127.0.2.2", scripted([](FakeDeviceScript& s) { s.totals[0] = 0; }));
    _DEVICERECORD* refuses = loggedInDevice(
        "127.0.2.3", scripted([](FakeDeviceScript& s) { s.format = FakeReply::Refuse; }));
    _DEVICERECORD* noStorageAnswer = loggedInDevice(
        "127.0.2.4", scripted([](FakeDeviceScript& s) { s.storage = FakeReply::Silent; }));
    _DEVICERECORD* unreachable =
        addDevice("127.0.2.5", scripted([](FakeDeviceScript& s) { s.login = FakeReply::Refuse; }));
    fillMaintList({formats, notMounted, refuses, noStorageAnswer, unreachable}, 1);

    run(TM_FORMAT, WM_FORMAT_DONE, 1);

    EXPECT_EQ(window.formatSucceeded, 1);
    EXPECT_EQ(window.formatFailed, 4);
    EXPECT_EQ(lastStatus(*formats), u"SD1格式化成功");
    EXPECT_EQ(statusTexts(*notMounted), (Texts{u"登录成功", u"获取存储设备信息", u"SD1 未挂载"}));
    EXPECT_EQ(lastStatus(*refuses), u"SD1格式化失败");
    EXPECT_EQ(statusTexts(*noStorageAnswer),
              (Texts{u"登录成功", u"获取存储设备信息", u"获取存储设备信息失败"}));
    EXPECT_EQ(statusTexts(*unreachable), (Texts{u"正在登录", u"登录失败"}));
    EXPECT_EQ(formats->formatState.load(), 1);
    EXPECT_EQ(formats->totalSd1.load(), 1024);
    EXPECT_EQ(formats->totalSd2.load(), 2048);

    // Only devices with a mounted storage are formatted, on disk index - 1.
    const auto formatted = fake.callsNamed("FormatDisk");
    ASSERT_EQ(formatted.size(), 2u);
    EXPECT_EQ(formatted[0].device, "127.0.2.1");
    EXPECT_EQ(formatted[0].command, 0);
    EXPECT_EQ(formatted[1].device, "127.0.2.3");
    EXPECT_TRUE(state.storagePendingList.items.empty());
    EXPECT_TRUE(state.formatPendingList.items.empty());
}

TEST_F(Format, UsbInEnglish)
{
    state.languageIndex = 1;
    _DEVICERECORD* formats =
        loggedInDevice("127.0.2.6", scripted([](FakeDeviceScript& s) { s.totals[2] = 64; }));
    _DEVICERECORD* notMounted = loggedInDevice("127.0.2.7");
    fillMaintList({formats, notMounted}, 3);

    run(TM_FORMAT, WM_FORMAT_DONE, 3);

    EXPECT_EQ(lastStatus(*formats), u"USBFormat OK");
    EXPECT_EQ(lastStatus(*notMounted), u"USB not mount");
    EXPECT_EQ(fake.callsNamed("FormatDisk").at(0).command, 2);
}

TEST_F(Format, SlowFormatShowsTheSecondsAndEndsAtTheNextPass)
{
    _DEVICERECORD* slow =
        loggedInDevice("127.0.2.8", scripted([](FakeDeviceScript& s) { s.formatDelayMs = 3500; }));
    workers.setFormatTimeoutMs(60000);
    fillMaintList({slow}, 2);

    run(TM_FORMAT, WM_FORMAT_DONE, 2);

    EXPECT_EQ(statusTexts(*slow),
              (Texts{u"获取存储设备信息", u"SD2正在格式化(#s)", u"SD2格式化成功"}));
    const std::uint32_t sent = fake.callsNamed("FormatDisk").at(0).tick;
    EXPECT_LT(vexlo::tickDiff(firstDone(WM_FORMAT_DONE)->tick, sent),
              3500u + 1000u + 1500u + 1000u);
}

TEST_F(Format, OneMinuteTimeoutGivesTheDevices60SecondsAfterTheLastCommand)
{
    _DEVICERECORD* silent = loggedInDevice(
        "127.0.2.9", scripted([](FakeDeviceScript& s) { s.format = FakeReply::Silent; }));
    _DEVICERECORD* quick = loggedInDevice("127.0.2.10");
    workers.setFormatTimeoutMs(60000);
    fillMaintList({silent, quick}, 1);

    run(TM_FORMAT, WM_FORMAT_DONE, 1);

    EXPECT_EQ(lastStatus(*silent), u"SD1格式化超时");
    EXPECT_EQ(lastStatus(*quick), u"SD1格式化成功");
    EXPECT_EQ(silent->formatState.load(), 2);
    EXPECT_EQ(window.formatSucceeded, 1);
    EXPECT_EQ(window.formatFailed, 1);
    const std::uint32_t lastSent = fake.callsNamed("FormatDisk").back().tick;
    const std::uint32_t waited = vexlo::tickDiff(firstDone(WM_FORMAT_DONE)->tick, lastSent);
    EXPECT_GE(waited, 60000u + 1500u);
    EXPECT_LT(waited, 60000u + 1500u + 3000u);
}

TEST_F(Format, FormatPostedDuringARebootWaitsForIt)
{
    _DEVICERECORD* camera = loggedInDevice("127.0.2.11");
    fillMaintList({camera}, 1);

    startTick = vexlo::GetTickCount();
    ASSERT_TRUE(workers.postToMaintenance(TM_REBOOT));
    ASSERT_TRUE(workers.postToMaintenance(TM_FORMAT, 1));
    ASSERT_TRUE(waitForDone(WM_FORMAT_DONE));

    ASSERT_EQ(window.dones.size(), 2u);
    EXPECT_EQ(window.dones[0].message, WM_REBOOT_DONE);
    EXPECT_EQ(window.dones[1].message, WM_FORMAT_DONE);
    const Texts texts = statusTexts(*camera);
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], u"重启设备成功");
    EXPECT_EQ(texts[1], u"获取存储设备信息");
    EXPECT_EQ(texts.back(), u"SD1格式化成功");
    EXPECT_GT(fake.callsNamed("SystemControl").at(0).tick,
              fake.callsNamed("RebootDVR").at(0).tick + 2000u - 1u);
}

TEST(StopWorkers, AWorkerInALongWaitEndsPromptly)
{
    // Real time: the restore's 10 s pause must not hold up the stop.
    vexlo::setTimeScaleForTesting(1.0);
    BatchState state;
    FakeDeviceLibrary fake;
    registerSdkCallbacks(state);
    BatchWorkers workers(state, [] { return std::u16string(u"/f.bin"); });
    _DEVICERECORD camera{};
    fake.addDevice("127.0.3.1", {});
    vexlo::copyToField(camera.ipAddress, "127.0.3.1");
    camera.loginHandle = fake.loginNow("127.0.3.1");
    camera.loginState = 1;
    state.maintList.items = {&camera};
    workers.start();
    ASSERT_TRUE(workers.postToMaintenance(TM_RESTORE));
    ASSERT_TRUE(test::waitUntil([&] { return !fake.callsNamed("RestoreConfig").empty(); }));

    const auto stopStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(workers.stop());
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, std::chrono::seconds(1));
    EXPECT_TRUE(fake.callsNamed("StartSearchIPC").empty()) << "the restore ended at its pause";
}

} // namespace

} // namespace vexlo
