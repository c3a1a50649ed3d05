#include "site_engine_fixture.h"

#include "engine/messages.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

#include <gtest/gtest.h>

#include <regex>

namespace vexlo {

namespace {

namespace sim = vexlo::ipcsim;

class SiteMaintenance : public SiteEngineTest
{
protected:
    void run(std::uint32_t message, std::uint32_t doneMessage, WPARAM wParam = 0)
    {
        startTick = vexlo::GetTickCount();
        runMaintenance(message, doneMessage, wParam);
    }
    std::uint32_t elapsedTo(std::uint32_t doneMessage) const
    {
        return vexlo::tickDiff(firstDone(doneMessage)->tick, startTick);
    }
    void expectCounts(std::uint32_t doneMessage, WPARAM succeeded, LPARAM failed)
    {
        ASSERT_EQ(doneCount(doneMessage), 1);
        EXPECT_EQ(firstDone(doneMessage)->wParam, succeeded);
        EXPECT_EQ(firstDone(doneMessage)->lParam, failed);
    }

    static sim::CameraSetup refusingLogin(const std::string& serial)
    {
        sim::CameraSetup camera = healthyCamera(serial);
        camera.faults.loginRefused = true;
        return camera;
    }

    std::uint32_t startTick = 0;
};

TEST_F(SiteMaintenance, RebootCountsDevicesThatCouldNotBeLoggedInAsFailures)
{
    startSite({healthyCamera("MNT0001"), healthyCamera("MNT0002"), refusingLogin("MNT0003")});
    logInAlready(device(0));
    fillMaintList({&device(0), &device(1), &device(2)});

    run(TM_REBOOT, WM_REBOOT_DONE);

    EXPECT_TEXTS(statusTexts(device(0)), u"登录成功", u"重启设备成功");
    EXPECT_TEXTS(statusTexts(device(1)), u"正在登录", u"登录成功", u"重启设备成功");
    EXPECT_TEXTS(statusTexts(device(2)), u"正在登录", u"登录失败");
    expectCounts(WM_REBOOT_DONE, 2, 1);
    EXPECT_EQ(device(1).loginState.load(), 1);
    EXPECT_GT(device(1).loginHandle.load(), 0) << "a reboot leaves the device logged in";
    EXPECT_EQ(device(2).loginState.load(), -1);
    EXPECT_EQ(requestsTo(0, sim::request_kind::kReboot).size(), 1u);
    EXPECT_EQ(requestsTo(1, sim::request_kind::kReboot).size(), 1u);
    EXPECT_TRUE(requestsTo(2, sim::request_kind::kReboot).empty());
    EXPECT_GE(elapsedTo(WM_REBOOT_DONE), 18000u + 2000u) << "the refused login ends by its timeout";
}

TEST_F(SiteMaintenance, TimeSyncSendsTheLocalTimeAndCountsEveryOutcome)
{
    sim::CameraSetup refusesTime = healthyCamera("MNT0002");
    refusesTime.faults.refusedCodes.insert(CMD_SET_TIME);
    startSite({healthyCamera("MNT0001"), refusesTime, refusingLogin("MNT0003")});
    fillMaintList({&device(0), &device(1), &device(2)});

    run(TM_TIMESYNC, WM_TIMESYNC_DONE);

    EXPECT_TEXTS(statusTexts(device(0)), u"正在登录", u"登录成功", u"同步时间成功");
    EXPECT_TEXTS(statusTexts(device(1)), u"正在登录", u"登录成功", u"同步时间失败");
    EXPECT_TEXTS(statusTexts(device(2)), u"正在登录", u"登录失败", u"同步时间失败");
    EXPECT_EQ(device(0).timeSyncState.load(), 1);
    EXPECT_EQ(device(1).timeSyncState.load(), 2);
    EXPECT_EQ(device(2).timeSyncState.load(), 2);
    expectCounts(WM_TIMESYNC_DONE, 1, 2);

    const auto requests = requestsTo(0, sim::request_kind::kSystemControl, CMD_SET_TIME);
    ASSERT_EQ(requests.size(), 1u);
    static const std::regex body("<REQUEST_PARAM\r\nTime=\"\\d{8} \\d\\d:\\d\\d:\\d\\d\"\r\n"
                                 "TimeZone=\"4800\"\n/>");
    EXPECT_TRUE(std::regex_match(requests[0].body, body)) << requests[0].body;
    EXPECT_FALSE(cameraNow(0).timeSet.empty());
}

TEST_F(SiteMaintenance, RestoredDeviceIsFoundAgainAtItsFactoryAddress)
{
    startSite({healthyCamera("MNT0001"), refusingLogin("MNT0002")});
    fillMaintList({&device(0), &device(1)});

    run(TM_RESTORE, WM_RESTORE_DONE);

    EXPECT_TEXTS(statusTexts(device(0)), u"正在登录", u"登录成功", u"正在恢复出厂设置",
                 u"恢复出厂设置成功");
    EXPECT_TEXTS(statusTexts(device(1)), u"正在登录", u"登录失败");
    EXPECT_EQ(device(0).restoreState.load(), 1);
    EXPECT_EQ(device(1).restoreState.load(), 3);
    expectCounts(WM_RESTORE_DONE, 1, 1);
    EXPECT_EQ(cameraNow(0).address, "192.168.0.123");
    EXPECT_TRUE(requestsTo(1, sim::request_kind::kRestore).empty());
}

TEST_F(SiteMaintenance, RestoredDeviceAtAnotherAddressFailsWithoutWaitingOut)
{
    sim::CameraSetup camera = healthyCamera("MNT0001");
    camera.factoryAddress = "192.168.5.77";
    startSite({camera});
    fillMaintList({&device(0)});

    run(TM_RESTORE, WM_RESTORE_DONE);

    EXPECT_TEXTS(statusTexts(device(0)), u"正在登录", u"登录成功", u"正在恢复出厂设置",
                 u"恢复出厂设置失败");
    EXPECT_EQ(device(0).restoreState.load(), 2);
    expectCounts(WM_RESTORE_DONE, 0, 1);
    // Login, the 10 s pause, 2 s of search, then the first look finds it; the
    // whole 14 s of re-discovery would end past 10 + 2 + 14 + 1.5 s.
    EXPECT_LT(elapsedTo(WM_RESTORE_DONE), 10000u + 2000u + 14000u);
}

TEST_F(SiteMaintenance, UnmountedStorageIsNeverFormatted)
{
    sim::CameraSetup withSd2 = healthyCamera("MNT0001");
    withSd2.storage.sd2 = 15000;
    startSite({withSd2, healthyCamera("MNT0002"), refusingLogin("MNT0003")});
    fillMaintList({&device(0), &device(1), &device(2)}, 2);

    run(TM_FORMAT, WM_FORMAT_DONE, 2);

    EXPECT_TEXTS(statusTexts(device(0)), u"正在登录", u"登录成功", u"获取存储设备信息",
                 u"SD2正在格式化(#s)", u"SD2格式化成功");
    EXPECT_TEXTS(statusTexts(device(1)), u"正在登录", u"登录成功", u"获取存储设备信息",
                 u"SD2 未挂载");
    EXPECT_TEXTS(statusTexts(device(2)), u"正在登录", u"登录失败");
    EXPECT_EQ(device(0).formatState.load(), 1);
    EXPECT_EQ(device(1).formatState.load(), 2);
    EXPECT_EQ(device(2).formatState.load(), 2);
    EXPECT_EQ(device(1).totalSd2.load(), 0);
    EXPECT_EQ(device(1).totalSd1.load(), 30436);
    // WM_FORMAT_DONE carries no counts: the window counts formatState.
    expectCounts(WM_FORMAT_DONE, 0, 0);
    EXPECT_EQ(window.formatSucceeded, 1);
    EXPECT_EQ(window.formatFailed, 2);
    EXPECT_EQ(requestsTo(0, sim::request_kind::kFormatDisk).size(), 1u);
    EXPECT_TRUE(requestsTo(1, sim::request_kind::kFormatDisk).empty());
    EXPECT_TRUE(requestsTo(2, sim::request_kind::kSystemControl, CMD_STORAGE).empty());
}

TEST_F(SiteMaintenance, FormatThatNeverAnswersTimesOutAfterOneMinute)
{
    sim::CameraSetup camera = healthyCamera("MNT0001");
    camera.faults.unansweredCodes.insert(CMD_FORMAT);
    startSite({camera});
    workers.setFormatTimeoutMs(1 * 60000);
    fillMaintList({&device(0)}, 1);

    run(TM_FORMAT, WM_FORMAT_DONE, 1);

    EXPECT_TEXTS(statusTexts(device(0)), u"正在登录", u"登录成功", u"获取存储设备信息",
                 u"SD1正在格式化(#s)", u"SD1格式化超时");
    // The counter reaches the end of the minute; a check that a loaded machine
    // wakes late may skip a count or two before the limit ends the wait.
    const int watched = largestSeconds(device(0), u"SD1正在格式化");
    EXPECT_GE(watched, 56);
    EXPECT_LE(watched, 60);
    EXPECT_EQ(device(0).formatState.load(), 2);
    expectCounts(WM_FORMAT_DONE, 0, 0);
    EXPECT_EQ(window.formatSucceeded, 0);
    EXPECT_EQ(window.formatFailed, 1);
    // The storage check's pause, the minute and the pause before the report.
    EXPECT_GE(elapsedTo(WM_FORMAT_DONE), 1500u + 60000u + 1500u);
}

TEST_F(SiteMaintenance, FormatPostedDuringARebootWaitsForIt)
{
    startSite({healthyCamera("MNT0001"), refusingLogin("MNT0002")});
    logInAlready(device(0));
    // The session survives the reboot, as the library reconnects it.
    ASSERT_EQ(IP_NET_DVR_SetAutoReconnect(device(0).loginHandle.load(), 1), 0);
    fillMaintList({&device(0), &device(1)});
    for (_DEVICERECORD* record : {&device(0), &device(1)}) {
        record->diskIndex = 1;
        record->formatState = 0;
        record->storageInfoReceived = 0;
    }

    ASSERT_TRUE(workers.postToMaintenance(TM_REBOOT));
    ASSERT_TRUE(workers.postToMaintenance(TM_FORMAT, 1));
    ASSERT_TRUE(waitForDone(WM_REBOOT_DONE));
    const int rowsAtRebootDone = static_cast<int>(window.rows.size());
    ASSERT_TRUE(waitForDone(WM_FORMAT_DONE));

    expectCounts(WM_REBOOT_DONE, 1, 1);
    // Nothing of the format was shown before the reboot instruction reported.
    EXPECT_GT(
        firstRowIndex(device(0), [](const std::u16string& t) { return t == u"获取存储设备信息"; }),
        rowsAtRebootDone);
    EXPECT_EQ(window.dones.front().message, static_cast<std::uint32_t>(WM_REBOOT_DONE));
    EXPECT_TEXTS(statusTexts(device(0)), u"登录成功", u"重启设备成功", u"登录成功",
                 u"获取存储设备信息", u"SD1正在格式化(#s)", u"SD1格式化成功");
    EXPECT_TEXTS(statusTexts(device(1)), u"正在登录", u"登录失败", u"正在登录", u"登录失败");
    EXPECT_EQ(window.formatSucceeded, 1);
    EXPECT_EQ(window.formatFailed, 1);
}

} // namespace

} // namespace vexlo
