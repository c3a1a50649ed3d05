#include "apply_test_support.h"
#include "tests/support/fake_device_library.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "profile/apply_config.h"
#include "profile/config_sections.h"
#include "sdk/netsdk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

namespace vexlo {

namespace {

using namespace std::chrono_literals;

class ApplyFlowTest : public ::testing::Test
{
protected:
    // One second of the flow takes 50 ms.
    static constexpr double kTimeScale = 20.0;

    ApplyFlowTest()
    {
        vexlo::setTimeScaleForTesting(kTimeScale);
        state.ui = &ui;
        devices.setAnswerDelayMs(300);
        registerSdkCallbacks(state);
    }

    void TearDown() override
    {
        // Threads first, then the answers still on their way, then the list
        // that the callbacks search: only then may the records go.
        EXPECT_TRUE(controller.stopAll(5s));
        devices.dropPending();
        state.applyList.clear();
        state.ui = nullptr;
    }

    _DEVICERECORD* addDevice(const std::string& ip, FakeDeviceScript script = {})
    {
        devices.addDevice(ip, std::move(script));
        auto record = std::make_unique<_DEVICERECORD>();
        vexlo::copyToField(record->ipAddress, ip);
        vexlo::copyToField(record->userName, "admin");
        record->port = 80;
        records.push_back(std::move(record));
        return records.back().get();
    }

    std::size_t start(const std::vector<_DEVICERECORD*>& ticked)
    {
        return controller.startApplyConfig(ticked, *profile, this);
    }

    bool waitForDone(std::size_t count, std::chrono::milliseconds limit = 60s)
    {
        return test::waitUntil([&] { return ui.count(WM_APPLY_DONE) >= count; }, limit);
    }

    BatchState state;
    RecordingUiPort ui;
    FakeDeviceLibrary devices;
    std::unique_ptr<vexlo::ConfigProfile> profile = std::make_unique<vexlo::ConfigProfile>();
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    vexlo::ApplyConfigController controller{state};
};

// ---- the start of the step -------------------------------------------------------------------

TEST_F(ApplyFlowTest, StartFillsApplyListInRowOrderAndSkipsMissingRecords)
{
    _DEVICERECORD* first = addDevice("127.0.0.11");
    _DEVICERECORD* second = addDevice("127.0.0.12");
    second->applyDone = 1; // from an earlier run
    EXPECT_EQ(start({first, nullptr, second}), 2u);
    {
        vexlo::CriticalSectionLock lock(state.applyList.lock);
        EXPECT_EQ(state.applyList.items, (std::vector<_DEVICERECORD*>{first, second}));
    }
    EXPECT_EQ(first->applyOwner, this);
    EXPECT_EQ(second->applyOwner, this);
    EXPECT_NE(first->applyThreadId, second->applyThreadId);
    EXPECT_TRUE(waitForDone(2));
    EXPECT_TRUE(vexlo::applyStepFinished(state));
}

TEST_F(ApplyFlowTest, NoTickedDeviceEndsTheStepAtOnce)
{
    EXPECT_EQ(start({}), 0u);
    EXPECT_EQ(start({nullptr}), 0u);
    EXPECT_TRUE(vexlo::applyStepFinished(state));
    EXPECT_EQ(ui.count(WM_APPLY_DONE), 0u);
}

// ---- login ------------------------------------------------------------------------------------

TEST_F(ApplyFlowTest, LoginShowsEverySecondUntilConfirmed)
{
    FakeDeviceScript script;
    script.login = FakeReply::Silent;
    _DEVICERECORD* device = addDevice("127.0.0.11", script);
    // The device confirms the login while the row shows its third second.
    ui.setHook([&](const vexlo::UiMessage& message) {
        if (message.message == WM_ROW_UPDATE && message.text == u"登录设备...3s")
            StatusEventCallBack(device->loginHandle.load(), SDK_EVENT_LOGIN_OK, 0, &state);
    });
    start({device});
    ASSERT_TRUE(waitForDone(1));

    EXPECT_EQ(textsOf(ui.rowTexts(device)),
              (std::vector<std::u16string>{u"登录设备", u"登录设备...1s", u"登录设备...2s",
                                           u"登录设备...3s", u"登录设备成功"}));
    EXPECT_EQ(device->loginState.load(), 1);
    EXPECT_EQ(device->applyDone.load(), 1);
    EXPECT_TRUE(devices.requestsTo().empty()); // no section enabled
}

TEST_F(ApplyFlowTest, RefusedLoginStillWaitsTheFull45Seconds)
{
    FakeDeviceScript script;
    script.login = FakeReply::Refuse; // a refusal does not end the wait early
    _DEVICERECORD* device = addDevice("127.0.0.11", script);
    profile->cloud.enabled = 1;
    start({device});
    ASSERT_TRUE(waitForDone(1, 120s));

    const auto rows = ui.rowTexts(device);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows.front().text, u"登录设备");
    EXPECT_EQ(rows.back().text, u"登录设备失败");
    // One waiting text a second; the last one is at most 45 s, the failure
    // follows once more than 45 s have gone by.
    const int lastSecond = expectSecondsCountUp(rows, 1, rows.size() - 1, u"登录设备", 1);
    EXPECT_GE(lastSecond, 43);
    EXPECT_LE(lastSecond, 45);
    EXPECT_GE(vexlo::tickDiff(rows.back().tick, rows.front().tick), 45000u);
    EXPECT_EQ(device->loginState.load(), -1);
    EXPECT_TRUE(devices.requestsTo().empty());
    EXPECT_EQ(device->applyDone.load(), 1);
    EXPECT_EQ(ui.count(WM_APPLY_DONE), 1u);
}

TEST_F(ApplyFlowTest, LoginCallThatFailsEndsAtOnce)
{
    FakeDeviceScript script;
    script.login = FakeReply::CallFails;
    _DEVICERECORD* device = addDevice("127.0.0.11", script);
    profile->cloud.enabled = 1;
    start({device});
    ASSERT_TRUE(waitForDone(1));
    EXPECT_EQ(textsOf(ui.rowTexts(device)),
              (std::vector<std::u16string>{u"登录设备", u"登录设备失败"}));
    EXPECT_EQ(device->loginHandle.load(), 0);
    EXPECT_TRUE(devices.requestsTo().empty());
}

TEST_F(ApplyFlowTest, LoginAnswerBeforeTheHandleIsStoredIsNotLost)
{
    FakeDeviceScript script;
    script.answerBeforeReturn = true;
    _DEVICERECORD* device = addDevice("127.0.0.11", script);
    start({device});
    ASSERT_TRUE(waitForDone(1));
    EXPECT_EQ(textsOf(ui.rowTexts(device)),
              (std::vector<std::u16string>{u"登录设备", u"登录设备成功"}));
}

TEST_F(ApplyFlowTest, NoSectionEnabledLogsInAndFinishes)
{
    _DEVICERECORD* device = addDevice("127.0.0.11");
    profile->lan.enabled = 2; // only 1 selects a section
    start({device});
    ASSERT_TRUE(waitForDone(1));
    EXPECT_EQ(textsOf(ui.rowTexts(device)),
              (std::vector<std::u16string>{u"登录设备", u"登录设备成功"}));
    EXPECT_TRUE(devices.requestsTo().empty());
    EXPECT_EQ(devices.countOf("Login"), 1u);
}

// ---- sections ---------------------------------------------------------------------------------

TEST_F(ApplyFlowTest, RequestTheLibraryDoesNotSendFailsAtOnce)
{
    FakeDeviceScript script;
    script.sections[620] = {FakeReply::CallFails}; // the second attempt goes through
    _DEVICERECORD* device = addDevice("127.0.0.11", script);
    profile->stream.enabled = 1;
    start({device});
    ASSERT_TRUE(waitForDone(1));

    const auto rows = ui.rowTexts(device);
    const std::size_t first = indexOf(rows, u"设置流媒体");
    ASSERT_LT(first + 2, rows.size());
    EXPECT_EQ(rows[first + 1].text, u"设置流媒体失败");
    EXPECT_EQ(rows[first + 2].text, u"设置流媒体");
    EXPECT_GE(vexlo::tickDiff(rows[first + 2].tick, rows[first + 1].tick), 16000u);
    EXPECT_EQ(rows.back().text, u"设置流媒体成功");
    EXPECT_EQ(devices.requestsTo().size(), 1u);
}

TEST_F(ApplyFlowTest, AcceptedAudioIsFollowedByTheRestartCountdown)
{
    _DEVICERECORD* device = addDevice("127.0.0.11");
    profile->overlay.enabled = 1;
    profile->audioEncode.enabled = 1;
    start({device});
    ASSERT_TRUE(waitForDone(1));

    const auto rows = ui.rowTexts(device);
    // No countdown after the overlay section: the next section follows.
    const std::size_t overlayDone = indexOf(rows, u"设置时间和标题成功");
    ASSERT_LT(overlayDone + 1, rows.size());
    EXPECT_EQ(rows[overlayDone + 1].text, u"设置音频编码");

    const std::size_t audioDone = indexOf(rows, u"设置音频编码成功");
    ASSERT_EQ(rows.size(), audioDone + 21);
    for (int step = 1; step <= 20; ++step) {
        EXPECT_EQ(rows[audioDone + step].text,
                  u"设置音频编码完成,进程重启..." + vexlo::utf8ToUtf16(std::to_string(step) + "s"));
    }
    EXPECT_GE(vexlo::tickDiff(rows[audioDone + 1].tick, rows[audioDone].tick), 1000u);
    EXPECT_GE(vexlo::tickDiff(rows[audioDone + 20].tick, rows[audioDone + 1].tick), 19000u);
    EXPECT_LT(vexlo::tickDiff(rows[audioDone + 20].tick, rows[audioDone + 1].tick), 23000u);
}

TEST_F(ApplyFlowTest, RefusedCaptureRunsNoCountdown)
{
    FakeDeviceScript script;
    script.sections[524] = {FakeReply::Refuse, FakeReply::Refuse};
    _DEVICERECORD* device = addDevice("127.0.0.11", script);
    profile->capture.enabled = 1;
    start({device});
    ASSERT_TRUE(waitForDone(1, 120s));

    const auto texts = textsOf(ui.rowTexts(device));
    EXPECT_EQ(std::count(texts.begin(), texts.end(), u"设置视频采集失败"), 2);
    for (const std::u16string& text : texts)
        EXPECT_EQ(text.find(u"进程重启"), std::u16string::npos);
    EXPECT_EQ(texts.back(), u"设置视频采集失败");
}

TEST_F(ApplyFlowTest, EverySectionInTableOrderWithEthernetLast)
{
    _DEVICERECORD* device = addDevice("127.0.0.11");
    profile->lan.enabled = profile->cloud.enabled = profile->ftp.enabled = 1;
    profile->smtp.enabled = profile->stream.enabled = profile->platform.enabled = 1;
    profile->capture.enabled = profile->overlay.enabled = profile->videoEncode.enabled = 1;
    profile->audioEncode.enabled = profile->motion.enabled = profile->account.enabled = 1;
    profile->time.enabled = profile->maintain.enabled = profile->language.enabled = 1;
    vexlo::copyToField(profile->lan.ipAddress, "127.0.0.99");
    vexlo::copyToField(profile->account.newPassword, "new&pass");
    profile->time.timeZone = 20;
    start({device});
    ASSERT_TRUE(waitForDone(1, 180s));

    const auto sent = devices.requestsTo();
    const auto sections = vexlo::configSections();
    ASSERT_EQ(sent.size(), sections.size());
    for (std::size_t i = 0; i < sections.size(); ++i) {
        EXPECT_EQ(sent[i].command, sections[i].replyCode) << i;
        EXPECT_EQ(sent[i].text, vexlo::sectionRequestText(sections[i], *profile)) << i;
        EXPECT_EQ(sent[i].length, static_cast<int>(sent[i].text.size()) + 1) << i;
    }
    EXPECT_EQ(sent.back().command, 325);
    EXPECT_EQ(ui.rowTexts(device).back().text, u"设置以太网成功");
}

// ---- several devices, the profile copy, shutdown ----------------------------------------

TEST_F(ApplyFlowTest, DevicesGetTheProfileAsItWasWhenTheStepStarted)
{
    _DEVICERECORD* first = addDevice("127.0.0.11");
    _DEVICERECORD* second = addDevice("127.0.0.12");
    profile->cloud.enabled = 1;
    profile->cloud.syncTime = 1;
    vexlo::copyToField(profile->lan.ipAddress, "127.0.0.50");
    profile->lan.enabled = 1;
    start({first, second});

    // The user keeps editing the pages while the devices are configured.
    std::atomic<bool> stopEditing{false};
    std::thread editor([&] {
        for (int round = 0; !stopEditing; ++round) {
            profile->cloud.syncTime = round % 2 == 0 ? 0 : 7;
            profile->ftp.enabled = 1;
            vexlo::copyToField(profile->lan.ipAddress, round % 2 ? "127.0.0.77" : "127.0.0.7");
            std::this_thread::sleep_for(1ms);
        }
    });
    const bool done = waitForDone(2);
    stopEditing = true;
    editor.join();
    ASSERT_TRUE(done);

    for (const char* ip : {"127.0.0.11", "127.0.0.12"}) {
        const auto sent = devices.requestsTo(ip);
        ASSERT_EQ(sent.size(), 2u) << ip;
        EXPECT_EQ(sent[0].text, "<P2PConfig Enable=\"0\" SyncTime=\"1\" />");
        EXPECT_NE(sent[1].text.find("IPAddress=\"127.0.0.50\""), std::string::npos);
    }
}

TEST_F(ApplyFlowTest, StopAllEndsWaitingThreadsPromptly)
{
    FakeDeviceScript script;
    script.login = FakeReply::Silent;
    _DEVICERECORD* first = addDevice("127.0.0.11", script);
    _DEVICERECORD* second = addDevice("127.0.0.12", script);
    start({first, second});
    ASSERT_TRUE(test::waitUntil([&] { return ui.rowTexts(second).size() >= 2; }));

    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(controller.stopAll(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    EXPECT_EQ(controller.runningCount(), 0u);
    EXPECT_EQ(first->applyDone.load(), 1);
    EXPECT_EQ(second->applyDone.load(), 1);
    EXPECT_EQ(ui.count(WM_APPLY_DONE), 0u); // the owner is going away
    // Nothing starts once stopped.
    EXPECT_EQ(start({first}), 0u);
}

} // namespace

} // namespace vexlo
