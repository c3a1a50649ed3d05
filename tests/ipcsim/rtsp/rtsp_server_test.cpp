#include "../media_decode.h"
#include "rtp_reader.h"
#include "rtsp_test_client.h"
#include "server_fixture.h"
#include "tests/support/wait.h"

#include "ipcsim/rtsp/annex_b.h"
#include "onvif/encoding.h"
#include "platform/tick.h"

#include <chrono>
#include <map>
#include <system_error>

using namespace vexlo::ipcsim::rtsp;
using rtsptest::Reply;
using rtsptest::RtspTestClient;

namespace {

std::string sessionOf(const Reply& reply)
{
    const auto value = reply.header("Session");
    return value.substr(0, value.find(';'));
}

std::vector<std::vector<std::uint8_t>> nalUnits(std::span<const std::uint8_t> unit)
{
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto nal : splitNalUnits(unit)) {
        out.emplace_back(nal.begin(), nal.end());
    }
    return out;
}

} // namespace

TEST_F(RtspServerTest, PlaysTheCardAndTheToneOnTheirChannels)
{
    auto& server = startServer(cardSettings());
    RtspTestClient client("127.0.0.1", server.port());
    ASSERT_TRUE(client.connected());
    const std::string uri = server.streamUri("main");

    const auto options = client.request("OPTIONS", uri);
    EXPECT_EQ(options.status, 200);
    EXPECT_NE(options.header("Public").find("GET_PARAMETER"), std::string::npos);

    const auto describe = client.request("DESCRIBE", uri, {"Accept: application/sdp"});
    ASSERT_EQ(describe.status, 200);
    EXPECT_EQ(describe.header("Content-Type"), "application/sdp");
    EXPECT_EQ(describe.header("Content-Base"), uri + "/");
    const auto sets = findParameterSets(card()->video.front().bytes);
    ASSERT_TRUE(sets);
    EXPECT_NE(describe.body.find("sprop-parameter-sets=" + vexlo::onvif::base64Encode(sets->sps) +
                                 "," + vexlo::onvif::base64Encode(sets->pps)),
              std::string::npos)
        << describe.body;
    EXPECT_NE(describe.body.find("a=rtpmap:8 PCMA/8000"), std::string::npos);

    const auto video = client.request("SETUP", uri + "/trackID=0",
                                      {"Transport: RTP/AVP/TCP;unicast;interleaved=0-1"});
    ASSERT_EQ(video.status, 200);
    EXPECT_TRUE(video.header("Transport").starts_with("RTP/AVP/TCP;unicast;interleaved=0-1"));
    const std::string session = sessionOf(video);
    ASSERT_FALSE(session.empty());
    EXPECT_NE(video.header("Session").find(";timeout=60"), std::string::npos);
    const auto audio =
        client.request("SETUP", uri + "/trackID=1",
                       {"Transport: RTP/AVP/TCP;unicast;interleaved=2-3", "Session: " + session});
    ASSERT_EQ(audio.status, 200);
    EXPECT_EQ(sessionOf(audio), session);

    const auto play =
        client.request("PLAY", uri + "/", {"Session: " + session, "Range: npt=0.000-"});
    ASSERT_EQ(play.status, 200);
    const std::string rtpInfo = play.header("RTP-Info");
    EXPECT_NE(rtpInfo.find("url=" + uri + "/trackID=0;seq="), std::string::npos) << rtpInfo;
    EXPECT_NE(rtpInfo.find("url=" + uri + "/trackID=1;seq="), std::string::npos) << rtpInfo;

    // Twelve access units, so the loop's second key frame comes by too.
    constexpr std::size_t kUnits = 12;
    std::vector<std::vector<std::uint8_t>> units;
    std::vector<std::vector<std::uint8_t>> payloads;
    std::vector<rtsptest::RtpPacket> tones;
    std::optional<rtsptest::RtpPacket> previous;
    std::optional<std::uint32_t> unitTimestamp;
    std::optional<std::uint32_t> lastUnitTimestamp;
    while (units.size() < kUnits) {
        const auto packet = client.readPacket();
        ASSERT_TRUE(packet) << "after " << units.size() << " units";
        const auto rtp = rtsptest::parseRtp(packet->bytes);
        ASSERT_TRUE(rtp);
        if (packet->channel == 2) {
            EXPECT_EQ(rtp->header.payloadType, 8);
            tones.push_back(*rtp);
            continue;
        }
        ASSERT_EQ(packet->channel, 0);
        EXPECT_EQ(rtp->header.payloadType, 96);
        if (previous) {
            EXPECT_EQ(rtp->header.ssrc, previous->header.ssrc);
            EXPECT_EQ(rtp->header.sequence,
                      static_cast<std::uint16_t>(previous->header.sequence + 1));
        } else {
            EXPECT_NE(rtpInfo.find("trackID=0;seq=" + std::to_string(rtp->header.sequence) +
                                   ";rtptime=" + std::to_string(rtp->header.timestamp)),
                      std::string::npos)
                << rtpInfo;
        }
        if (unitTimestamp) {
            EXPECT_EQ(rtp->header.timestamp, *unitTimestamp) << "one timestamp per access unit";
        }
        unitTimestamp = rtp->header.timestamp;
        payloads.push_back(rtp->payload);
        if (rtp->header.marker) {
            units.push_back(rtsptest::depacketizeH264(payloads));
            payloads.clear();
            unitTimestamp.reset();
            if (lastUnitTimestamp) {
                // 90 kHz at 10 frames a second
                EXPECT_EQ(rtp->header.timestamp - *lastUnitTimestamp, 9000u);
            }
            lastUnitTimestamp = rtp->header.timestamp;
        }
        previous = rtp;
    }
    for (std::size_t i = 0; i < kUnits; ++i) {
        EXPECT_EQ(nalUnits(units[i]), nalUnits(card()->video[i].bytes)) << "unit " << i;
    }
    const auto pictures = simtest::decodeH264(units);
    ASSERT_GE(pictures.size(), kUnits - 1);
    EXPECT_EQ(pictures.front().width, 320);
    EXPECT_EQ(pictures.front().height, 180);

    ASSERT_GE(tones.size(), 2u);
    EXPECT_TRUE(tones.front().header.marker);
    EXPECT_EQ(tones.front().payload, vexlo::ipcsim::toneFrame());
    EXPECT_EQ(tones[1].header.timestamp - tones[0].header.timestamp, 800u);

    EXPECT_EQ(client.request("GET_PARAMETER", uri + "/", {"Session: " + session}).status, 200);
    EXPECT_EQ(client.request("TEARDOWN", uri + "/", {"Session: " + session}).status, 200);
    EXPECT_EQ(client.request("PLAY", uri + "/", {"Session: " + session}).status, 455);
}

TEST_F(RtspServerTest, RefusesWhatTheCameraCannotServe)
{
    auto& server = startServer(cardSettings());
    RtspTestClient client("127.0.0.1", server.port());
    const std::string uri = server.streamUri("main");

    EXPECT_EQ(client.request("DESCRIBE", server.streamUri("third")).status, 404);
    EXPECT_EQ(client.request("DESCRIBE", server.streamUri("sub")).status, 200);
    EXPECT_EQ(client.request("PLAY", uri).status, 455) << "nothing set up";
    EXPECT_EQ(
        client.request("SETUP", uri + "/trackID=5", {"Transport: RTP/AVP/TCP;interleaved=0-1"})
            .status,
        404);
    const auto udp = client.request("SETUP", uri + "/trackID=0",
                                    {"Transport: RTP/AVP;unicast;client_port=5000-5001"});
    EXPECT_EQ(udp.status, 461);
    EXPECT_EQ(client
                  .request("SETUP", uri + "/trackID=0",
                           {"Transport: RTP/AVP/TCP;interleaved=0-1", "Session: 1234"})
                  .status,
              454);
    const auto setup = client.request("SETUP", uri + "/trackID=0", {"Transport: RTP/AVP/TCP"});
    ASSERT_EQ(setup.status, 200);
    EXPECT_NE(setup.header("Transport").find("interleaved=0-1"), std::string::npos)
        << "channels chosen by the camera";
    EXPECT_EQ(client
                  .request("SETUP", server.streamUri("sub") + "/trackID=1",
                           {"Transport: RTP/AVP/TCP", "Session: " + sessionOf(setup)})
                  .status,
              459);
    EXPECT_EQ(client.request("PLAY", uri, {"Session: wrong"}).status, 454);
    const auto pause = client.request("PAUSE", uri, {"Session: " + sessionOf(setup)});
    EXPECT_EQ(pause.status, 405);
    EXPECT_NE(pause.header("Allow").find("PLAY"), std::string::npos);
    EXPECT_EQ(client.request("BREW", uri).status, 501);
    EXPECT_EQ(client.request("OPTIONS", "*").status, 200) << "still serving after refusals";
}

TEST_F(RtspServerTest, AnswersGarbageWith400AndHangsUp)
{
    auto& server = startServer(cardSettings());
    RtspTestClient client("127.0.0.1", server.port());
    client.sendRaw("OPTIONS * RTSP/1.0\r\nCSeq: 9\r\nBad Header\r\n\r\n");
    const auto reply = client.readReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 400);
    EXPECT_EQ(reply->header("CSeq"), "");
    EXPECT_TRUE(client.waitForClose());

    RtspTestClient huge("127.0.0.1", server.port());
    huge.sendRaw("SET_PARAMETER * RTSP/1.0\r\nCSeq: 3\r\nContent-Length: 1000000000\r\n\r\n");
    const auto tooLarge = huge.readReply();
    ASSERT_TRUE(tooLarge);
    EXPECT_EQ(tooLarge->status, 413);
    EXPECT_EQ(tooLarge->header("CSeq"), "3");
    EXPECT_TRUE(huge.waitForClose());
}

TEST_F(RtspServerTest, AsksForCredentialsThroughItsHooks)
{
    auto settings = cardSettings();
    settings.authorize = [](const Request& request) {
        return request.header("Authorization") == "Basic dXNlcjpwYXNz";
    };
    settings.challenge = [](const Request&) {
        return std::vector<std::string>{"Digest realm=\"sim\", nonce=\"abc\"",
                                        "Basic realm=\"sim\""};
    };
    auto& server = startServer(std::move(settings));
    RtspTestClient client("127.0.0.1", server.port());
    const std::string uri = server.streamUri("main");

    EXPECT_EQ(client.request("OPTIONS", uri).status, 200);
    const auto refused = client.request("DESCRIBE", uri);
    EXPECT_EQ(refused.status, 401);
    std::vector<std::string> challenges;
    for (const auto& [name, value] : refused.headers) {
        if (name == "WWW-Authenticate") {
            challenges.push_back(value);
        }
    }
    EXPECT_EQ(challenges, (std::vector<std::string>{"Digest realm=\"sim\", nonce=\"abc\"",
                                                    "Basic realm=\"sim\""}));
    EXPECT_EQ(client.request("DESCRIBE", uri, {"Authorization: Basic d3Jvbmc6d3Jvbmc="}).status,
              401);
    EXPECT_EQ(client.request("DESCRIBE", uri, {"Authorization: Basic dXNlcjpwYXNz"}).status, 200);
}

TEST_F(RtspServerTest, CloseEndsEveryConnectionAndReopensElsewhere)
{
    auto& server = startServer(cardSettings());
    const auto oldPort = server.port();
    RtspTestClient playing("127.0.0.1", oldPort);
    const std::string uri = server.streamUri("main");
    const auto setup = playing.request("SETUP", uri + "/trackID=0", {"Transport: RTP/AVP/TCP"});
    ASSERT_EQ(setup.status, 200);
    ASSERT_EQ(playing.request("PLAY", uri, {"Session: " + sessionOf(setup)}).status, 200);
    RtspTestClient idle("127.0.0.1", oldPort);
    ASSERT_EQ(idle.request("OPTIONS", uri).status, 200);
    EXPECT_EQ(server.connectionCount(), 2u);

    server.close();
    EXPECT_FALSE(server.isOpen());
    EXPECT_TRUE(playing.waitForClose());
    EXPECT_TRUE(idle.waitForClose());
    EXPECT_FALSE(RtspTestClient("127.0.0.1", oldPort).connected());

    server.open("127.0.0.2", 0);
    RtspTestClient fresh("127.0.0.2", server.port());
    EXPECT_EQ(fresh.request("DESCRIBE", server.streamUri("main")).status, 200);
    EXPECT_TRUE(server.streamUri("main").starts_with("rtsp://127.0.0.2:"));
}

TEST_F(RtspServerTest, OpenRefusesTakenAndForeignAddresses)
{
    auto& server = startServer(cardSettings());
    RtspServer second(m_io, cardSettings());
    EXPECT_THROW(second.open("127.0.0.1", server.port()), std::system_error);
    EXPECT_FALSE(second.isOpen());
    EXPECT_THROW(second.open("192.0.2.10", 0), std::system_error);
    EXPECT_THROW(second.open("not an address", 0), std::system_error);
    second.open("127.0.0.1", 0);
    EXPECT_NE(second.port(), server.port());
}

TEST_F(RtspServerTest, DropsAClientThatStopsReading)
{
    // Pictures of 1 MiB, ten a second, fill any socket buffer soon.
    auto bigUnit =
        std::make_shared<std::vector<std::uint8_t>>(std::vector<std::uint8_t>{0, 0, 0, 1, 0x65});
    bigUnit->resize(bigUnit->size() + 1024 * 1024, 0x11);
    ServerSettings settings;
    settings.maxQueuedBytes = 256 * 1024;
    settings.content = [bigUnit](ContentReady ready) {
        auto content = std::make_shared<StreamContent>();
        content->video.push_back({*bigUnit, true});
        content->owner = bigUnit;
        ready(content);
    };
    auto& server = startServer(std::move(settings));
    RtspTestClient reader("127.0.0.1", server.port());
    RtspTestClient stalled("127.0.0.1", server.port(), 4096);
    const std::string uri = server.streamUri("main");
    const auto setup = stalled.request("SETUP", uri + "/trackID=0", {"Transport: RTP/AVP/TCP"});
    ASSERT_EQ(setup.status, 200);
    ASSERT_EQ(stalled.request("PLAY", uri, {"Session: " + sessionOf(setup)}).status, 200);
    ASSERT_EQ(reader.request("OPTIONS", uri).status, 200);

    // The stalled client reads nothing more from here on.
    EXPECT_TRUE(vexlo::test::waitUntil([&] { return server.connectionCount() == 1; }));
    EXPECT_EQ(reader.request("OPTIONS", uri).status, 200) << "the other client is served on";
}
