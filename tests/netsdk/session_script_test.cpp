#include "scripted_peer.h"
#include "tests/support/event_recorder.h"
#include "tests/support/wait.h"

#include "netsdk/net_sdk.h"
#include "platform/tick.h"
#include "protocol/command_codes.h"

#include <gtest/gtest.h>

#include <random>

// Sessions against a hand-driven camera: exact request bytes, protocol
// violations and random bytes, which a well-behaved simulator never sends.
namespace vexlo::netsdk::test {
namespace {

namespace proto = vexlo::protocol;
using namespace std::chrono_literals;
using vexlo::test::EventRecorder;
using vexlo::test::kDeadline;

class SessionScriptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setTimeScaleForTesting(20);
        m_sdk = std::make_unique<NetSdk>();
        ASSERT_EQ(m_sdk->Init(), 0);
        m_sdk->SetStatusEventCallBack(&EventRecorder::onStatus, &m_events);
        m_sdk->SetAUXResponseCallBack(&EventRecorder::onAnswer, &m_events);
    }
    void TearDown() override
    {
        m_sdk.reset();
        setTimeScaleForTesting(1);
    }

    int login(const ScriptedCamera& camera, const char* password = "pw")
    {
        return m_sdk->Login("127.0.0.1", camera.port(), "admin", password, 0);
    }

    std::unique_ptr<NetSdk> m_sdk;
    EventRecorder m_events;
};

TEST_F(SessionScriptTest, CommandsCarryTheirExactBytes)
{
    std::vector<proto::Command> received;
    ScriptedCamera camera([&](ScriptedCamera::Link& link) {
        if (!link.acceptLogin("pw"))
            return;
        while (received.size() < 6) {
            auto message = link.readMessage();
            if (!message)
                return;
            if (auto* command = std::get_if<proto::Command>(&*message)) {
                received.push_back(*command);
                link.send(proto::Answer{command->code, 0, std::string("ok\0tail", 7)});
            }
        }
    });
    const int handle = login(camera);
    ASSERT_GT(handle, 0);
    ASSERT_TRUE(m_events.waitForStatus(handle, SDK_EVENT_LOGIN_OK, kDeadline));

    EXPECT_EQ(m_sdk->SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
    const char config[] = "<A x=\"1\"/>";
    EXPECT_EQ(m_sdk->SetDVRConfig(handle, 325, 0, config, sizeof config), 0); // length with NUL
    char buffer[8] = "stale";
    int returned = 99;
    EXPECT_EQ(m_sdk->GetDVRConfig(handle, 222, 0, buffer, sizeof buffer, &returned), 0);
    EXPECT_EQ(m_sdk->FormatDisk(handle, 2), 0);
    EXPECT_EQ(m_sdk->RebootDVR(handle), 0);
    EXPECT_EQ(m_sdk->RestoreConfig(handle), 0);
    EXPECT_NE(m_sdk->FormatDisk(handle, 3), 0);
    EXPECT_NE(m_sdk->SystemControl(handle, 0x1000000, 0, ""), 0); // does not fit 24 bits
    ASSERT_TRUE(m_events.waitForAnswer(handle, 1102, kDeadline));
    camera.join();

    ASSERT_EQ(received.size(), 6u);
    EXPECT_EQ(received[0],
              (proto::Command{1012, proto::CallKind::SystemControl, 0, "RESPONSE_PARAM"}));
    EXPECT_EQ(received[1], (proto::Command{325, proto::CallKind::SetDVRConfig, 0, "<A x=\"1\"/>"}));
    EXPECT_EQ(received[2], (proto::Command{222, proto::CallKind::GetDVRConfig, 0, ""}));
    EXPECT_EQ(received[3], (proto::Command{1017, proto::CallKind::SystemControl, 0, "2"}));
    EXPECT_EQ(received[4], (proto::Command{1101, proto::CallKind::SystemControl, 0, ""}));
    EXPECT_EQ(received[5], (proto::Command{1102, proto::CallKind::SystemControl, 0, ""}));
    EXPECT_EQ(returned, 0);
    EXPECT_STREQ(buffer, "");
    // The answer text is handed on NUL-terminated, up to its first NUL for a C reader.
    const auto answer = m_events.waitForAnswer(handle, 1012, kDeadline);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->text, "ok");
}

TEST_F(SessionScriptTest, WrongPasswordGivesEventFive)
{
    ScriptedCamera camera([](ScriptedCamera::Link& link) { link.acceptLogin("other"); });
    const int handle = login(camera);
    ASSERT_GT(handle, 0);
    EXPECT_TRUE(m_events.waitForStatus(handle, SDK_EVENT_LOGIN_FAILED, kDeadline));
    EXPECT_EQ(m_events.statusCount(handle, SDK_EVENT_LOGIN_OK), 0);
    EXPECT_NE(m_sdk->SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
}

TEST_F(SessionScriptTest, ChallengeWithAnotherVersionEndsTheLogin)
{
    bool closedWithProtocolError = false;
    ScriptedCamera camera([&](ScriptedCamera::Link& link) {
        link.readMessage();
        link.send(proto::Challenge{2, {}});
        auto answer = link.readMessage();
        closedWithProtocolError =
            answer && std::holds_alternative<proto::Close>(*answer) &&
            std::get<proto::Close>(*answer).reason == proto::CloseReason::ProtocolError;
    });
    const int handle = login(camera);
    EXPECT_TRUE(m_events.waitForStatus(handle, SDK_EVENT_LOGIN_FAILED, kDeadline));
    camera.join();
    EXPECT_TRUE(closedWithProtocolError);
}

// Random bytes instead of a camera, and random bytes after a good login: the
// session ends (or skips what it cannot read); nothing crashes.
TEST_F(SessionScriptTest, RandomBytesCrashNothing)
{
    std::mt19937 random(2026);
    for (int round = 0; round < 20; ++round) {
        const bool afterLogin = round % 2 == 1;
        std::vector<std::uint8_t> junk(1 + random() % 5000);
        for (auto& byte : junk)
            byte = static_cast<std::uint8_t>(random());
        if (round % 4 == 3) {
            // A valid header in front, so the body parsers see the junk too.
            const std::uint8_t types[] = {0x11, 0x22, 0x24, 0x31, 0x32, 0x33, 0x35, 0x42, 0x77};
            proto::FrameHeader header;
            header.type = types[random() % sizeof types];
            header.bodyLength = static_cast<std::uint32_t>(junk.size());
            header.sequence = 1;
            const auto bytes = proto::encodeFrameHeader(header);
            junk.insert(junk.begin(), bytes.begin(), bytes.end());
        }
        ScriptedCamera camera([&](ScriptedCamera::Link& link) {
            if (afterLogin && !link.acceptLogin("pw"))
                return;
            link.sendRaw(junk);
            link.readFrame(); // until the client closes or the timeout
        });
        const int handle = login(camera);
        ASSERT_GT(handle, 0);
        if (!afterLogin) {
            EXPECT_TRUE(m_events.waitForStatus(handle, SDK_EVENT_LOGIN_FAILED, kDeadline));
        } else {
            ASSERT_TRUE(m_events.waitForStatus(handle, SDK_EVENT_LOGIN_OK, kDeadline));
            m_sdk->SystemControl(handle, 1012, 0, "RESPONSE_PARAM");
        }
        m_sdk->Logout(handle);
        camera.join();
    }
}

TEST_F(SessionScriptTest, NothingRefusedIsReportedAfterLogout)
{
    ScriptedCamera camera([](ScriptedCamera::Link& link) {
        link.acceptLogin("pw");
        // Wait for the Close of the logout, then answer anyway.
        while (auto message = link.readMessage()) {
            if (std::holds_alternative<proto::Close>(*message))
                break;
        }
        link.send(proto::Answer{1012, 0, "late"});
    });
    const int handle = login(camera);
    ASSERT_TRUE(m_events.waitForStatus(handle, SDK_EVENT_LOGIN_OK, kDeadline));
    EXPECT_EQ(m_sdk->Logout(handle), 0);
    EXPECT_NE(m_sdk->Logout(handle), 0); // now unknown
    camera.join();
    EXPECT_FALSE(m_events.waitForAnswer(handle, 1012, 200ms));
}

TEST(UnknownHandles, EveryCallFails)
{
    NetSdk sdk;
    ASSERT_EQ(sdk.Init(), 0);
    for (int handle : {0, -1, 1, 12345}) {
        EXPECT_NE(sdk.SetAutoReconnect(handle, 1), 0);
        EXPECT_NE(sdk.Logout(handle), 0);
        EXPECT_NE(sdk.SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
        EXPECT_NE(sdk.SetDVRConfig(handle, 325, 0, "x", 2), 0);
        EXPECT_NE(sdk.GetDVRConfig(handle, 325, 0, nullptr, 0, nullptr), 0);
        EXPECT_NE(sdk.Upgrade(handle, "/dev/null"), 0);
        EXPECT_LE(sdk.GetUpgradeState(handle), -1);
        EXPECT_LE(sdk.GetUpgradeProgress(handle), 0);
        EXPECT_NE(sdk.FormatDisk(handle, 0), 0);
        EXPECT_NE(sdk.RestoreConfig(handle), 0);
        EXPECT_NE(sdk.RebootDVR(handle), 0);
        IP_PLAY_CLIENTINFO client{0, 1, 1, nullptr};
        auto callback =
            +[](int, int, const unsigned char*, int, const IP_FRAME_INFO*, void*) { return 0; };
        EXPECT_LE(sdk.RealPlayEx(handle, "127.0.0.1", "admin", "", callback, &client, nullptr), 0);
        EXPECT_NE(sdk.StopRealPlay(handle), 0);
    }
}

TEST(UnknownHandles, CallsBeforeInitFail)
{
    NetSdk sdk;
    EXPECT_LE(sdk.Login("127.0.0.1", 8000, "admin", "", 0), 0);
    EXPECT_NE(sdk.StartSearchIPC(), 0);
    EXPECT_EQ(sdk.GetSearchIPCCount(), 0);
}

} // namespace
} // namespace vexlo::netsdk::test
