#include "site_fixture.h"

#include "ipcsim/firmware.h"

using vexlo::ipcsim::bytesAtPercent;
using vexlo::ipcsim::CameraSetup;
using vexlo::ipcsim::CameraState;
using vexlo::ipcsim::makeFirmwareImage;
using vexlo::ipcsim::Scenario;
using namespace vexlo::protocol;
using namespace simtest;

namespace {

constexpr std::size_t kChunk = 64 * 1024;

struct UploadOutcome
{
    std::vector<std::uint32_t> acks;
    std::optional<UploadResult> result;
};

// Uploads `image` with at most four chunks unacknowledged, as the device
// library does, until the camera ends the upload or stops acknowledging.
UploadOutcome upload(TestSession& session, const std::string& image, Millis quiet = 600ms)
{
    UploadOutcome outcome;
    const auto total = static_cast<std::uint32_t>(image.size());
    session.send(UploadBegin{total});
    std::uint32_t sent = 0;
    std::uint32_t acked = 0;
    bool started = false;
    bool ended = false;
    while (true) {
        auto message = session.waitFor(
            [](const Message& m) {
                return std::holds_alternative<UploadAck>(m) ||
                       std::holds_alternative<UploadResult>(m);
            },
            quiet);
        if (!message) {
            return outcome; // nothing more is coming: a stall
        }
        if (const auto* result = std::get_if<UploadResult>(&*message)) {
            outcome.result = *result;
            return outcome;
        }
        const auto ack = std::get<UploadAck>(*message);
        outcome.acks.push_back(ack.received);
        acked = ack.received;
        started = true;
        while (started && sent < total && sent - acked < 4 * kChunk) {
            const std::size_t size = std::min<std::size_t>(kChunk, total - sent);
            session.sendRaw(UploadData::encodeChunk(
                sent, std::span(reinterpret_cast<const std::uint8_t*>(image.data()) + sent, size),
                0));
            sent += static_cast<std::uint32_t>(size);
        }
        if (acked == total && !ended) {
            session.send(UploadEnd{total});
            ended = true;
        }
    }
}

} // namespace

// The raw chunks above carry sequence 0, which the camera does not check;
// only the client's own frame counter would.

TEST_F(SiteTest, AcceptedFirmwareRebootsIntoTheNewVersion)
{
    Scenario scenario = healthySite(1);
    scenario.cameras[0].firmwareVersion = "V5.2.0";
    start(scenario);
    auto session = loggedIn(0);
    const std::string image = makeFirmwareImage("V5.3.0 build 261115", 300000);

    const UploadOutcome outcome = upload(*session, image);
    const std::vector<std::uint32_t> expected = {0, 65536, 131072, 196608, 262144, 300000};
    EXPECT_EQ(outcome.acks, expected);
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->status, UploadStatus::Complete);
    EXPECT_EQ(outcome.result->received, 300000u);

    const auto verdict = session->answerTo(kCodeFirmwareVerdict, kDeadline);
    ASSERT_TRUE(verdict);
    EXPECT_EQ(verdict->code, kCodeFirmwareVerdict);
    EXPECT_EQ(verdict->inReplyTo, 0u);
    const auto close = session->next<Close>(kDeadline);
    ASSERT_TRUE(close);
    EXPECT_EQ(close->reason, CloseReason::Reboot);
    EXPECT_TRUE(session->waitClosed(kDeadline));

    ASSERT_TRUE(waitUntil([&] { return m_site->camera(0).state == CameraState::Up; }, kDeadline));
    auto after = loggedIn(0);
    after->command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    const auto version = after->answerTo(kCodeVersion, kDeadline);
    ASSERT_TRUE(version);
    EXPECT_NE(version->text.find("FileSystemVersion=\"V5.3.0 build 261115\""), std::string::npos);
}

TEST_F(SiteTest, FirmwareRefusals)
{
    Scenario scenario = healthySite(2);
    scenario.cameras[1].faults.firmwareRefused = true;
    start(scenario);

    // Any file that make-firmware did not make: refused, and the camera stays up.
    std::string damaged = makeFirmwareImage("V9", 5000);
    damaged[3000] ^= 0x01;
    auto session = loggedIn(0);
    auto outcome = upload(*session, damaged);
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->status, UploadStatus::Complete);
    auto verdict = session->answerTo(kCodeFirmwareVerdict, kDeadline);
    ASSERT_TRUE(verdict);
    EXPECT_EQ(verdict->code, refusalOf(kCodeFirmwareVerdict));
    EXPECT_FALSE(session->next<Close>(200ms));
    EXPECT_EQ(m_site->camera(0).state, CameraState::Up);

    // A sound file, refused by the scenario.
    auto stubborn = loggedIn(1);
    outcome = upload(*stubborn, makeFirmwareImage("V9", 5000));
    ASSERT_TRUE(outcome.result);
    verdict = stubborn->answerTo(kCodeFirmwareVerdict, kDeadline);
    ASSERT_TRUE(verdict);
    EXPECT_EQ(verdict->code, refusalOf(kCodeFirmwareVerdict));
    EXPECT_EQ(m_site->camera(1).version, "V5.2.0");
}

TEST_F(SiteTest, UploadStallsAndFailsAtTheirPercent)
{
    Scenario scenario = healthySite(2);
    scenario.cameras[0].faults.uploadStallPercent = 40;
    scenario.cameras[1].faults.uploadFailPercent = 50;
    start(scenario);
    const std::string image = makeFirmwareImage("V9", 10 * kChunk);

    auto stalled = loggedIn(0);
    const auto stall = upload(*stalled, image);
    EXPECT_FALSE(stall.result) << "a stalled upload never ends";
    ASSERT_FALSE(stall.acks.empty());
    EXPECT_LE(stall.acks.back(), bytesAtPercent(image.size(), 40));
    EXPECT_EQ(stall.acks.back(), 4 * kChunk);
    stalled->send(Ping{3});
    EXPECT_TRUE(stalled->next<Pong>(kDeadline)) << "the session stays alive";

    auto failing = loggedIn(1);
    const auto fail = upload(*failing, image);
    ASSERT_TRUE(fail.result);
    EXPECT_EQ(fail.result->status, UploadStatus::Failed);
    EXPECT_EQ(fail.result->received, 5 * kChunk);
}

TEST_F(SiteTest, RebootGoesSilentAndComesBack)
{
    Scenario scenario = healthySite(2);
    scenario.cameras[0].rebootSeconds = 40;
    scenario.cameras[1].faults.neverBackAfterReboot = true;
    start(scenario);
    const std::string address = scenario.cameras[0].address;

    auto session = loggedIn(0);
    session->command(kCodeReboot, CallKind::SystemControl, "");
    const auto answer = session->answerTo(kCodeReboot, kDeadline);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->text.empty());
    const auto close = session->next<Close>(kDeadline);
    ASSERT_TRUE(close);
    EXPECT_EQ(close->reason, CloseReason::Reboot);

    SearchClient search;
    search.probe(port(), 1);
    const auto during = search.collect(1, 2, 300ms);
    ASSERT_EQ(during.size(), 1u) << "a rebooting camera answers no search";
    EXPECT_EQ(during[0].reply.record.serialNo, "SIM0002");
    TestSession refused;
    EXPECT_FALSE(refused.connect(address, 8000, 300ms));

    const auto back = search.searchUntil(
        port(), [](const ReceivedReply& r) { return r.reply.record.serialNo == "SIM0001"; },
        kDeadline);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->reply.record.ipAddress, address);
    loggedIn(0);

    auto gone = loggedIn(1);
    gone->command(kCodeReboot, CallKind::SystemControl, "");
    ASSERT_TRUE(gone->answerTo(kCodeReboot, kDeadline));
    ASSERT_TRUE(waitUntil([&] { return m_site->camera(1).state == CameraState::Gone; }, kDeadline));
    EXPECT_FALSE(search.searchUntil(
        port(), [](const ReceivedReply& r) { return r.reply.record.serialNo == "SIM0002"; },
        scaled(30)));
}

TEST_F(SiteTest, FactoryRestoreReportsTheFactoryAddressAndIsUnreachable)
{
    Scenario scenario = healthySite(2);
    scenario.cameras[1].factoryAddress = "192.168.1.123";
    start(scenario);
    const CameraSetup setup = scenario.cameras[0];

    for (std::size_t index : {0u, 1u}) {
        auto session = loggedIn(index);
        session->command(kCodeFactoryRestore, CallKind::SystemControl, "");
        ASSERT_TRUE(session->answerTo(kCodeFactoryRestore, kDeadline));
        const auto close = session->next<Close>(kDeadline);
        ASSERT_TRUE(close);
        EXPECT_EQ(close->reason, CloseReason::FactoryRestore);
    }

    SearchClient search;
    for (const auto& [serial, factory] :
         {std::pair{"SIM0001", "192.168.0.123"}, {"SIM0002", "192.168.1.123"}}) {
        const auto found = search.searchUntil(
            port(), [&](const ReceivedReply& r) { return r.reply.record.serialNo == serial; },
            kDeadline);
        ASSERT_TRUE(found) << serial;
        EXPECT_EQ(found->reply.record.ipAddress, factory);
        EXPECT_EQ(found->reply.record.gateway, std::string(factory).substr(0, 10) + "1");
    }
    EXPECT_FALSE(m_site->camera(0).listening);
    TestSession old;
    EXPECT_FALSE(old.connect(setup.address, setup.port, 300ms));

    // Modify IP brings it back onto loopback, where it is reachable again.
    const auto reply = search.modifyIp(
        port(), {5, setup.serial, setup.mac, setup.address, "255.0.0.0", "127.0.0.1"}, kDeadline);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, ModifyIpStatus::Accepted);
    loggedIn(0);
}

TEST_F(SiteTest, TheFirstSessionIsDroppedOnceForReconnectTests)
{
    Scenario scenario = healthySite(1);
    scenario.cameras[0].faults.dropSessionAfterSeconds = 5;
    start(scenario);

    auto first = loggedIn(0);
    EXPECT_TRUE(first->waitClosed(kDeadline));
    EXPECT_FALSE(first->next<Close>(0ms)) << "dropped as by the network, without a Close";

    auto second = loggedIn(0);
    EXPECT_FALSE(second->waitClosed(scaled(15)));
    second->command(kCodeVersion, CallKind::SystemControl, "RESPONSE_PARAM");
    EXPECT_TRUE(second->answerTo(kCodeVersion, kDeadline));
}
