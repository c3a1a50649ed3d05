#include "apply_site_fixture.h"

#include "engine/messages.h"
#include "ipcsim/request_log.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

namespace vexlo {

// The login step as the site sees it: the row's texts while a camera is
// logged in, and what the camera receives when nothing else is to be sent.
namespace {

using namespace std::chrono_literals;
namespace request_kind = vexlo::ipcsim::request_kind;

TEST_F(ApplySiteTest, LoginNeverConfirmedFailsAfterFortyFiveSecondsAndSendsNothing)
{
    auto camera = vexlo::ipcsim::makeCamera("APL1001", "");
    camera.faults.loginNeverConfirmed = true;
    startSite({camera});
    _DEVICERECORD* device = records[0].get();
    profile->cloud.enabled = 1;
    profile->lan.enabled = 1;
    ASSERT_EQ(controller.startApplyConfig({device}, *profile, this), 1u);
    ASSERT_TRUE(test::waitUntil([&] { return ui.count(WM_APPLY_DONE) == 1; }, 120s));

    // "登录设备", one waiting text a second up to at most 45 s, then the
    // failure once more than 45 s have gone by.
    const auto rows = ui.rowTexts(device);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows.front().text, u"登录设备");
    EXPECT_EQ(rows.back().text, u"登录设备失败");
    const int lastSecond = expectSecondsCountUp(rows, 1, rows.size() - 1, u"登录设备", 1);
    EXPECT_GE(lastSecond, 43);
    EXPECT_LE(lastSecond, 45);
    const std::uint32_t waited = vexlo::tickDiff(rows.back().tick, rows.front().tick);
    EXPECT_GT(waited, 45000u);
    EXPECT_LT(waited, 48000u);
    EXPECT_EQ(device->applyDone.load(), 1);
    EXPECT_TRUE(vexlo::applyStepFinished(state));

    // The camera got the login and never a section.
    EXPECT_FALSE(requestsOf("APL1001", request_kind::kLogin).empty());
    EXPECT_TRUE(configRequests("APL1001").empty());
    for (const auto& request : allRequestsOf("APL1001"))
        EXPECT_EQ(request.kind, request_kind::kLogin) << request.note;
}

TEST_F(ApplySiteTest, NoSectionEnabledOnlyLogsIn)
{
    startSite({vexlo::ipcsim::makeCamera("APL1101", "")});
    _DEVICERECORD* device = records[0].get();
    profile->lan.enabled = 2; // only 1 selects a section
    ASSERT_EQ(controller.startApplyConfig({device}, *profile, this), 1u);
    ASSERT_TRUE(test::waitUntil([&] { return ui.count(WM_APPLY_DONE) == 1; }, 60s));

    // The loopback camera confirms well within the first second; a slow
    // machine may still show a waiting text or two before the success.
    const auto rows = ui.rowTexts(device);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.front().text, u"登录设备");
    EXPECT_EQ(rows.back().text, u"登录设备成功");
    EXPECT_LE(rows.size(), 4u);
    if (rows.size() > 2)
        expectSecondsCountUp(rows, 1, rows.size() - 1, u"登录设备", 1);
    EXPECT_EQ(device->loginState.load(), 1);
    EXPECT_GT(device->loginHandle.load(), 0);
    EXPECT_EQ(device->applyDone.load(), 1);

    // Nothing in the camera's log but the login, which it accepted.
    const auto received = allRequestsOf("APL1101");
    ASSERT_FALSE(received.empty());
    for (const auto& request : received)
        EXPECT_EQ(request.kind, request_kind::kLogin) << request.note;
    EXPECT_EQ(received.back().note, "accepted");
}

TEST_F(ApplySiteTest, CameraStillLoggedInIsNotLoggedInAgain)
{
    startSite({vexlo::ipcsim::makeCamera("APL1201", "")});
    _DEVICERECORD* device = records[0].get();
    const int handle = logInBeforehand(*device, 10s);
    ASSERT_GT(handle, 0);
    const std::size_t loginsBefore = requestsOf("APL1201", request_kind::kLogin).size();
    profile->cloud.enabled = 1;
    profile->language.enabled = 1;
    ASSERT_EQ(controller.startApplyConfig({device}, *profile, this), 1u);
    ASSERT_TRUE(test::waitUntil([&] { return ui.count(WM_APPLY_DONE) == 1; }, 60s));

    // No login text: the row starts with the first enabled section.
    const auto texts = textsOf(ui.rowTexts(device));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), u"设置云平台");
    for (const std::u16string& text : texts)
        EXPECT_EQ(text.find(u"登录设备"), std::u16string::npos);
    EXPECT_EQ(texts.back(), u"设置设备语言成功");
    EXPECT_EQ(device->loginHandle.load(), handle);

    // The sections went over the earlier session: no new login reached the camera.
    EXPECT_EQ(requestsOf("APL1201", request_kind::kLogin).size(), loginsBefore);
    const auto sent = configRequests("APL1201");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].code, 335u);
    EXPECT_EQ(sent[0].body, bodyOf(335));
    EXPECT_EQ(sent[1].code, 227u);
    EXPECT_EQ(sent[1].body, bodyOf(227));
}

} // namespace

} // namespace vexlo
