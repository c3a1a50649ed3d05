#include "site_fixture.h"

#include "ipcsim/request_log.h"
#include "protocol/command_codes.h"

#include <gtest/gtest.h>

#include <set>

namespace vexlo::netsdk::test {
namespace {

using namespace std::chrono_literals;
namespace proto = vexlo::protocol;

TEST_F(SiteTest, LoginConfirmedRefusedAndNeverConfirmed)
{
    auto scenario = healthySite(4);
    scenario.cameras[1].faults.loginRefused = true;
    scenario.cameras[2].faults.loginNeverConfirmed = true;
    scenario.cameras[3].password = "s3cret";
    start(std::move(scenario));

    const int ok = sdk().Login(camera(0).address.c_str(), camera(0).port, "admin", "", 0);
    const int refused = sdk().Login(camera(1).address.c_str(), camera(1).port, "admin", "", 0);
    const int silent = sdk().Login(camera(2).address.c_str(), camera(2).port, "admin", "", 0);
    const int wrong = sdk().Login(camera(3).address.c_str(), camera(3).port, "admin", "guess", 0);
    const int right = sdk().Login(camera(3).address.c_str(), camera(3).port, "admin", "s3cret", 0);
    // Handles at once, all different, never reused.
    const std::set<int> handles{ok, refused, silent, wrong, right};
    EXPECT_EQ(handles.size(), 5u);
    EXPECT_GT(*handles.begin(), 0);

    EXPECT_TRUE(events().waitForStatus(ok, SDK_EVENT_LOGIN_OK, kWait));
    EXPECT_TRUE(events().waitForStatus(refused, SDK_EVENT_LOGIN_FAILED, kWait));
    EXPECT_TRUE(events().waitForStatus(wrong, SDK_EVENT_LOGIN_FAILED, kWait));
    EXPECT_TRUE(events().waitForStatus(right, SDK_EVENT_LOGIN_OK, kWait));
    // Never confirmed: the login deadline (10 s scaled) reports the failure.
    EXPECT_TRUE(events().waitForStatus(silent, SDK_EVENT_LOGIN_FAILED, kWait));
    EXPECT_EQ(events().statusCount(silent, SDK_EVENT_LOGIN_OK), 0);

    EXPECT_EQ(sdk().SystemControl(ok, 1012, 0, "RESPONSE_PARAM"), 0);
    EXPECT_NE(sdk().SystemControl(refused, 1012, 0, "RESPONSE_PARAM"), 0);
    EXPECT_NE(sdk().SystemControl(silent, 1012, 0, "RESPONSE_PARAM"), 0);

    EXPECT_EQ(sdk().Logout(ok), 0);
    EXPECT_NE(sdk().SystemControl(ok, 1012, 0, "RESPONSE_PARAM"), 0);
    const int again = sdk().Login(camera(0).address.c_str(), camera(0).port, "admin", "", 0);
    EXPECT_EQ(handles.count(again), 0u);
}

TEST_F(SiteTest, EveryCommandAnsweredRefusedOrUnanswered)
{
    const std::vector<int> sections = {222, 223, 227, 228, 325, 335, 421, 422,
                                       522, 523, 524, 525, 620, 670, 822};
    auto scenario = healthySite(3);
    scenario.cameras[1].faults.refusedCodes = {1005, 1012, 1014, 1017, 325, 822};
    scenario.cameras[2].faults.unansweredCodes = {1012, 1014, 422};
    start(std::move(scenario));
    const int answering = loginTo(0);
    const int refusing = loginTo(1);
    const int silent = loginTo(2);
    ASSERT_GT(answering, 0);
    ASSERT_GT(refusing, 0);
    ASSERT_GT(silent, 0);

    const std::string time =
        "<REQUEST_PARAM\r\nTime=\"20261207 10:00:00\"\r\nTimeZone=\"4800\"\n/>";
    for (int handle : {answering, refusing, silent}) {
        EXPECT_EQ(sdk().SystemControl(handle, 1005, 0, time.c_str()), 0);
        EXPECT_EQ(sdk().SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
        EXPECT_EQ(sdk().SystemControl(handle, 1014, 0, ""), 0);
        EXPECT_EQ(sdk().FormatDisk(handle, 0), 0);
        for (int code : sections) {
            const std::string body = "<S" + std::to_string(code) + "/>";
            if (code % 2 == 0)
                EXPECT_EQ(sdk().SetDVRConfig(handle, code, 0, body.c_str(),
                                             static_cast<int>(body.size() + 1)),
                          0);
            else
                EXPECT_EQ(sdk().GetDVRConfig(handle, code, 0, nullptr, 0, nullptr), 0);
        }
    }

    std::vector<int> all = {1005, 1012, 1014, 1017};
    all.insert(all.end(), sections.begin(), sections.end());
    for (int code : all) {
        EXPECT_TRUE(events().waitForAnswer(answering, code, kWait)) << code;
        const bool refused = camera(1).faults.refuses(static_cast<std::uint32_t>(code));
        EXPECT_TRUE(events().waitForAnswer(refusing, refused ? sdkRefusalOf(code) : code, kWait))
            << code;
        if (!camera(2).faults.ignores(static_cast<std::uint32_t>(code))) {
            EXPECT_TRUE(events().waitForAnswer(silent, code, kWait)) << code;
        }
    }
    // The three unanswered codes never come (the others have arrived by now).
    for (int code : {1012, 1014, 422})
        EXPECT_FALSE(events().waitForAnswer(silent, code, 100ms)) << code;
    for (const auto& answer : events().answers()) {
        if (answer.handle == answering) {
            EXPECT_FALSE(sdkIsRefusal(answer.code));
        }
    }

    const auto version = events().waitForAnswer(answering, 1012, 0ms);
    ASSERT_TRUE(version);
    EXPECT_NE(version->text.find("FileSystemVersion=\"V5.2.0\""), std::string::npos);
    const auto storage = events().waitForAnswer(answering, 1014, 0ms);
    ASSERT_TRUE(storage);
    EXPECT_NE(storage->text.find("Total=\""), std::string::npos);

    // The camera saw the request texts byte for byte (no NUL of the length).
    EXPECT_EQ(loggedBodies(camera(0).serial, "SystemControl", 1005),
              std::vector<std::string>{time});
    EXPECT_EQ(loggedBodies(camera(0).serial, "SetDVRConfig", 222),
              std::vector<std::string>{"<S222/>"});
    EXPECT_EQ(loggedBodies(camera(0).serial, "FormatDisk", 1017), std::vector<std::string>{"0"});
}

TEST_F(SiteTest, AutoReconnectRestoresADroppedSession)
{
    auto scenario = healthySite(2);
    scenario.cameras[0].faults.dropSessionAfterSeconds = 2;
    scenario.cameras[1].faults.dropSessionAfterSeconds = 2;
    start(std::move(scenario));
    const int keeps = loginTo(0);
    const int loses = loginTo(1);
    ASSERT_GT(keeps, 0);
    ASSERT_GT(loses, 0);
    ASSERT_EQ(sdk().SetAutoReconnect(keeps, 1), 0);

    // Dropped, then logged in again under the same handle.
    ASSERT_TRUE(events().waitForStatus(keeps, SDK_EVENT_LOGIN_OK, kWait, 2));
    EXPECT_EQ(sdk().SystemControl(keeps, 1012, 0, "RESPONSE_PARAM"), 0);
    EXPECT_TRUE(events().waitForAnswer(keeps, 1012, kWait));

    // Without auto-reconnect the session simply ends.
    ASSERT_TRUE(waitUntil([&] { return sdk().SystemControl(loses, 1012, 0, "x") != 0; }, kWait));
    EXPECT_EQ(events().statusCount(loses, SDK_EVENT_LOGIN_OK), 1);
}

} // namespace
} // namespace vexlo::netsdk::test
