#include "media_decode.h"
#include "site_fixture.h"

#include <algorithm>
#include <cstring>

using vexlo::ipcsim::CameraFaults;
using vexlo::ipcsim::RequestRecord;
using vexlo::ipcsim::Scenario;
using namespace vexlo::protocol;
using namespace simtest;

namespace {

using SteadyClock = std::chrono::steady_clock;

std::uint32_t littleEndianU32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

} // namespace

TEST_F(SiteTest, LoginAcceptedRefusedAndNeverConfirmed)
{
    Scenario scenario = healthySite(3);
    scenario.cameras[0].user = "installer";
    scenario.cameras[0].password = "site-7";
    scenario.cameras[1].faults.loginRefused = true;
    scenario.cameras[2].faults.loginNeverConfirmed = true;
    start(scenario);

    TestSession good;
    ASSERT_TRUE(good.connect(scenario.cameras[0].address, 8000));
    EXPECT_EQ(good.login("installer", "site-7"), LoginStatus::Accepted);

    for (const auto& [user, password] : {std::pair{"installer", "wrong"}, {"admin", "site-7"}}) {
        TestSession wrong;
        ASSERT_TRUE(wrong.connect(scenario.cameras[0].address, 8000));
        EXPECT_EQ(wrong.login(user, password), LoginStatus::Refused) << user << "/" << password;
        EXPECT_TRUE(wrong.waitClosed(kDeadline));
    }

    TestSession refused;
    ASSERT_TRUE(refused.connect(scenario.cameras[1].address, 8000));
    EXPECT_EQ(refused.login("admin", ""), LoginStatus::Refused);
    EXPECT_TRUE(refused.waitClosed(kDeadline));

    TestSession hanging;
    ASSERT_TRUE(hanging.connect(scenario.cameras[2].address, 8000));
    // No LoginResult ever; the connection stays up (pings answered) until the
    // client gives up or the session has been silent for the dead-session time.
    EXPECT_EQ(hanging.login("admin", "", scaled(5)), std::nullopt);
    EXPECT_FALSE(hanging.closed());
    hanging.send(Ping{5});
    EXPECT_TRUE(hanging.next<Pong>(scaled(5)));
    EXPECT_FALSE(hanging.next<LoginResult>(scaled(5)));
}

TEST_F(SiteTest, ACommandBeforeLoginIsAProtocolError)
{
    start(healthySite(1));
    TestSession session;
    ASSERT_TRUE(session.connect(m_site->camera(0).address, 8000));
    session.command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    const auto close = session.next<Close>(kDeadline);
    ASSERT_TRUE(close);
    EXPECT_EQ(close->reason, CloseReason::ProtocolError);
    EXPECT_TRUE(session.waitClosed(kDeadline));
}

TEST_F(SiteTest, VersionStorageAndSectionAnswers)
{
    Scenario scenario = healthySite(1);
    scenario.cameras[0].firmwareVersion = "V5.2.0 build 260301";
    scenario.cameras[0].storage = {30436, 0, 3815447};
    start(scenario);
    auto session = loggedIn(0);

    const auto sequence = session->command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    auto answer = session->answerTo(kCodeVersion, kDeadline);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->code, kCodeVersion);
    EXPECT_EQ(answer->inReplyTo, sequence);
    EXPECT_EQ(answer->text, "<RESPONSE_PARAM\r\nSystemVersion=\"V2.4.0\"\r\n"
                            "FileSystemVersion=\"V5.2.0 build 260301\"\r\n/>");

    session->command(kCodeStorage, CallKind::SystemControl, "");
    answer = session->answerTo(kCodeStorage, kDeadline);
    ASSERT_TRUE(answer);
    const auto sd1 = answer->text.find("Total=\"30436\"");
    const auto sd2 = answer->text.find("Total=\"0\"");
    const auto usb = answer->text.find("Total=\"3815447\"");
    ASSERT_NE(sd1, std::string::npos);
    EXPECT_LT(sd1, sd2);
    EXPECT_LT(sd2, usb);

    for (std::uint32_t code : {325u, 335u, 421u, 422u, 620u, 670u, 524u, 525u, 523u, 522u, 822u,
                               223u, 222u, 228u, 227u}) {
        session->command(code, CallKind::SetDVRConfig,
                         "<REQUEST_PARAM Code=\"" + std::to_string(code) + "\" />");
        answer = session->answerTo(code, kDeadline);
        ASSERT_TRUE(answer) << code;
        EXPECT_EQ(answer->code, code);
    }
    // What was set is what GetDVRConfig gives back.
    session->command(620, CallKind::GetDVRConfig, "");
    answer = session->answerTo(620, kDeadline);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->text, "<REQUEST_PARAM Code=\"620\" />");
}

TEST_F(SiteTest, RefusedIgnoredAndDelayedCodes)
{
    Scenario scenario = healthySite(1);
    CameraFaults& faults = scenario.cameras[0].faults;
    faults.refusedCodes = {620, kCodeStorage};
    faults.unansweredCodes = {kCodeSetTime, 222};
    faults.answerDelaySeconds = {{kCodeVersion, 20}, {620, 20}};
    start(scenario);
    auto session = loggedIn(0);

    session->command(kCodeSetTime, CallKind::SystemControl, "<REQUEST_PARAM\r\nTime=\"x\"\n/>");
    session->command(222, CallKind::SetDVRConfig, "<x/>");
    const auto sent = SteadyClock::now();
    session->command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    session->command(620, CallKind::SetDVRConfig, "<x/>");
    session->command(kCodeStorage, CallKind::SystemControl, "");

    auto storage = session->answerTo(kCodeStorage, kDeadline);
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->code, refusalOf(kCodeStorage));
    EXPECT_TRUE(storage->text.empty());

    auto refused = session->answerTo(620, kDeadline);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code, 0x8000026Cu);
    auto version = session->answerTo(kCodeVersion, kDeadline);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->code, kCodeVersion);
    EXPECT_GE(SteadyClock::now() - sent, scaled(20) - 20ms);

    EXPECT_FALSE(session->answerTo(kCodeSetTime, scaled(30)));
    EXPECT_FALSE(session->answerTo(222, 50ms));
    EXPECT_TRUE(m_site->camera(0).timeSet.empty()) << "an ignored set-time changes nothing";
}

TEST_F(SiteTest, FormatAnswersAfterTheFormatTimeAndRefusesMissingStorage)
{
    Scenario scenario = healthySite(1);
    scenario.cameras[0].formatSeconds = 25;
    scenario.cameras[0].storage = {30436, 0, 0};
    start(scenario);
    auto session = loggedIn(0);

    const auto sent = SteadyClock::now();
    session->command(kCodeFormat, CallKind::SystemControl, "0");
    session->command(kCodeFormat, CallKind::SystemControl, "1");
    auto refusal = session->answerTo(kCodeFormat, kDeadline);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->code, refusalOf(kCodeFormat)) << "SD2 is not mounted";
    EXPECT_LT(SteadyClock::now() - sent, scaled(25));

    auto done = session->answerTo(kCodeFormat, kDeadline);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->code, kCodeFormat);
    EXPECT_GE(SteadyClock::now() - sent, scaled(25) - 20ms);
}

TEST_F(SiteTest, SetTimeIsRecordedAndAnsweredAtOnce)
{
    start(healthySite(1));
    auto session = loggedIn(0);
    session->command(kCodeSetTime, CallKind::SystemControl,
                     "<REQUEST_PARAM\r\nTime=\"20261207 19:53:56\"\r\nTimeZone=\"4800\"\n/>");
    const auto answer = session->answerTo(kCodeSetTime, kDeadline);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->code, kCodeSetTime);
    EXPECT_EQ(m_site->camera(0).timeSet, "20261207 19:53:56");
}

TEST_F(SiteTest, RequestLogHoldsTheExactBodies)
{
    Scenario scenario = healthySite(1);
    scenario.cameras[0].faults.refusedCodes = {620};
    start(scenario);
    auto session = loggedIn(0);
    const std::string gbkBody = "<REQUEST_PARAM Name=\"\xC9\xE3\xCF\xF1\xBB\xFA\" />"; // 摄像机
    const std::string withNul = std::string("A\0B", 3);
    session->command(620, CallKind::SetDVRConfig, gbkBody);
    session->command(1000, CallKind::SystemControl, withNul);
    session->command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    ASSERT_TRUE(session->answerTo(kCodeVersion, kDeadline));

    std::vector<RequestRecord> records;
    ASSERT_TRUE(waitUntil(
        [&] {
            records = logRecords();
            return records.size() >= 5;
        },
        kDeadline));
    std::vector<RequestRecord> commands;
    for (const auto& record : records) {
        EXPECT_EQ(record.serial, "SIM0001");
        EXPECT_EQ(record.address, scenario.cameras[0].address);
        if (record.code != 0) {
            commands.push_back(record);
        }
    }
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].kind, "SetDVRConfig");
    EXPECT_EQ(commands[0].code, 620u);
    EXPECT_EQ(commands[0].body, gbkBody);
    EXPECT_EQ(commands[0].note, "refused by scenario");
    EXPECT_EQ(commands[1].body, withNul);
    EXPECT_EQ(commands[2].kind, "SystemControl");
    EXPECT_EQ(commands[2].body, "RESPONSE_PARAM");
    EXPECT_EQ(records.front().kind, "Login");
}

TEST_F(SiteTest, RandomBytesIntoASessionCloseOnlyThatSession)
{
    start(healthySite(1));
    const std::string address = m_site->camera(0).address;
    std::srand(777);
    for (int round = 0; round < 40; ++round) {
        TestSession session;
        ASSERT_TRUE(session.connect(address, 8000));
        if (round % 2 == 1) {
            ASSERT_EQ(session.login("admin", ""), LoginStatus::Accepted);
        }
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::rand() % 3000 + 1));
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(std::rand());
        }
        if (round % 4 == 1) {
            // A sound header with a random body reaches the message decoders.
            bytes.resize(std::max<std::size_t>(bytes.size(), 16));
            const auto header = Ping{1}.encode(99);
            std::copy(header.begin(), header.begin() + 5, bytes.begin());
        }
        session.sendRaw(bytes);
        session.waitClosed(100ms);
    }
    auto session = loggedIn(0);
    session->command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    EXPECT_TRUE(session->answerTo(kCodeVersion, kDeadline));
}

TEST_F(SiteTest, LivePlayStoppedWhileThePictureIsEncodedEndsWithoutAHeader)
{
    start(healthySite(1));
    auto session = loggedIn(0);
    // The camera has never streamed: its picture is still being encoded when
    // the stop arrives, right behind the start.
    session->send(PlayStart{3, 0, 1, 1});
    session->send(PlayStop{3});
    const auto end = session->next<PlayEnd>(kDeadline);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->streamId, 3u);
    EXPECT_EQ(end->reason, PlayEndReason::Stopped);
    // A header would have come before the PlayEnd.
    EXPECT_FALSE(session->next<PlayHeader>(1ms));
    EXPECT_FALSE(session->next<VideoFrame>(1ms));

    // The next stream gets the picture encoded meanwhile.
    session->send(PlayStart{4, 0, 1, 1});
    EXPECT_TRUE(session->next<PlayHeader>(kDeadline));
    EXPECT_TRUE(session->next<VideoFrame>(kDeadline));
}

TEST_F(SiteTest, TwoSessionsOfACameraStreamTheSamePicture)
{
    start(healthySite(2));
    auto first = loggedIn(0);
    auto second = loggedIn(0);
    auto other = loggedIn(1);
    first->send(PlayStart{1, 0, 1, 1});
    second->send(PlayStart{1, 0, 1, 1});
    other->send(PlayStart{1, 0, 1, 1});
    const auto a = first->next<VideoFrame>(kDeadline);
    const auto b = second->next<VideoFrame>(kDeadline);
    const auto c = other->next<VideoFrame>(kDeadline);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->data, b->data) << "one camera, one picture";
    EXPECT_NE(a->data, c->data) << "another camera shows its own serial and address";
}

TEST_F(SiteTest, LivePlaySendsTheHeaderThenTheTestCard)
{
    // Frames keep the real rate whatever the time scale, and this test reads
    // a second of them: a slower clock keeps a busy machine's pauses from
    // looking like a dead session.
    vexlo::setTimeScaleForTesting(5);
    const Scenario scenario = healthySite(1);
    start(scenario);
    auto session = loggedIn(0);
    session->send(PlayStart{7, 0, 1, 1});
    const auto header = session->next<PlayHeader>(kDeadline);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->streamId, 7u);
    const auto block = header->toCallbackBlock();
    std::uint16_t video = 0;
    std::uint16_t audio = 0;
    std::memcpy(&video, block.data() + 32, 2);
    std::memcpy(&audio, block.data() + 34, 2);
    EXPECT_EQ(video, 1);
    EXPECT_EQ(audio, 1);
    EXPECT_EQ(std::memcmp(block.data() + 36, "H264", 4), 0);
    EXPECT_EQ(littleEndianU32(block.data() + 36 + 4), 320u);
    EXPECT_EQ(littleEndianU32(block.data() + 36 + 8), 180u);
    EXPECT_EQ(littleEndianU32(block.data() + 36 + 12), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 36 + 16)),
              scenario.cameras[0].serial);
    EXPECT_EQ(std::memcmp(block.data() + 572, "PCMA", 4), 0);
    EXPECT_EQ(littleEndianU32(block.data() + 572 + 4), 8000u);
    EXPECT_EQ(littleEndianU32(block.data() + 572 + 8), 1u);

    // Eleven frames (a little over a second): a key frame opens the stream
    // and the next comes ten frames later. Pings keep the session alive
    // meanwhile, as a client's keep-alive does.
    std::vector<VideoFrame> frames;
    while (frames.size() < 11) {
        session->send(Ping{static_cast<std::uint32_t>(frames.size() + 1)});
        auto frame = session->next<VideoFrame>(kDeadline);
        ASSERT_TRUE(frame) << "frame " << frames.size();
        frames.push_back(std::move(*frame));
    }
    std::vector<std::vector<std::uint8_t>> units;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].streamId, 7u);
        EXPECT_EQ(frames[i].frameValue, i % 10 == 0 ? 1 : 0) << "frame " << i;
        EXPECT_DOUBLE_EQ(frames[i].timestamp, 100.0 * static_cast<double>(i));
        ASSERT_GE(frames[i].data.size(), 5u);
        EXPECT_EQ(std::memcmp(frames[i].data.data(), "\0\0\0\1", 4), 0) << "frame " << i;
        units.push_back(frames[i].data);
    }
    const auto firstTypes = nalTypes(frames[0].data);
    EXPECT_NE(std::find(firstTypes.begin(), firstTypes.end(), kNalSps), firstTypes.end());
    EXPECT_NE(std::find(firstTypes.begin(), firstTypes.end(), kNalIdr), firstTypes.end());

    units.resize(4);
    const auto pictures = decodeH264(units);
    ASSERT_EQ(pictures.size(), units.size());
    for (const auto& picture : pictures) {
        EXPECT_EQ(picture.width, 320);
        EXPECT_EQ(picture.height, 180);
    }

    const auto sound = session->next<AudioFrame>(kDeadline);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->data.size(), 800u);
    EXPECT_EQ(decodeAlaw(sound->data).size(), 800u);

    session->send(PlayStart{7, 0, 1, 1});
    auto refused = session->next<PlayEnd>(kDeadline);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->reason, PlayEndReason::Refused) << "stream 7 already runs";

    session->send(PlayStop{7});
    const auto end = session->next<PlayEnd>(kDeadline);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->streamId, 7u);
    EXPECT_EQ(end->reason, PlayEndReason::Stopped);
}
