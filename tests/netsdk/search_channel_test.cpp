#include "scripted_peer.h"
#include "tests/support/event_recorder.h"
#include "tests/support/wait.h"

#include "netsdk/net_sdk.h"
#include "netsdk/search_client.h"
#include "platform/tick.h"
#include "protocol/search_datagrams.h"
#include "protocol/wire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

// The search channel against a hand-driven endpoint: the order, repeats,
// stale answers and garbage that a test must control exactly.
namespace vexlo::netsdk::test {
namespace {

namespace proto = vexlo::protocol;
using namespace std::chrono_literals;
using vexlo::test::EventRecorder;
using vexlo::test::kDeadline;
using vexlo::test::waitUntil;

proto::SearchReply replyFor(std::uint32_t searchId, const std::string& serial,
                            const std::string& address, const std::string& type = "IPC")
{
    proto::SearchReply reply;
    reply.searchId = searchId;
    reply.record.serialNo = serial;
    reply.record.deviceType = type;
    reply.record.macAddress = "02:00:00:00:00:01";
    reply.record.ipAddress = address;
    reply.record.netmask = "255.0.0.0";
    reply.record.gateway = "127.0.0.1";
    reply.record.loginPort = 8000;
    reply.record.playParam = 7;
    return reply;
}

class SearchChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Slow probe repeats keep the endpoint's view simple.
        setTimeScaleForTesting(1);
        NetSdkOptions options;
        options.searchPort = m_endpoint.port();
        options.userName = "installer";
        options.password = "secret";
        m_sdk = std::make_unique<NetSdk>(options);
        ASSERT_EQ(m_sdk->Init(), 0);
    }

    std::pair<std::uint32_t, asio::ip::udp::endpoint> nextProbe()
    {
        for (;;) {
            auto datagram = m_endpoint.receive();
            if (!datagram)
                return {0, {}};
            if (auto probe = proto::SearchProbe::decode(datagram->first))
                return {probe->searchId, datagram->second};
        }
    }

    ScriptedSearchEndpoint m_endpoint;
    std::unique_ptr<NetSdk> m_sdk;
};

TEST_F(SearchChannelTest, ResultsKeepArrivalOrderAndRepeatsAreListedOnce)
{
    ASSERT_EQ(m_sdk->StartSearchIPC(), 0);
    const auto [searchId, client] = nextProbe();
    ASSERT_NE(searchId, 0u);
    m_endpoint.sendFrom("127.0.0.3", replyFor(searchId, "C", "127.0.0.3").encode(), client);
    m_endpoint.sendFrom("127.0.0.1", replyFor(searchId, "A", "127.0.0.1", "NVR").encode(), client);
    m_endpoint.sendFrom("127.0.0.3", replyFor(searchId, "C", "127.0.0.3").encode(), client);
    // The same serial at another address is another entry (a moved camera).
    m_endpoint.sendFrom("127.0.0.2", replyFor(searchId, "C", "127.0.0.2").encode(), client);
    m_endpoint.sendFrom("127.0.0.2", replyFor(searchId + 1, "Z", "127.0.0.2").encode(), client);
    m_endpoint.sendFrom("127.0.0.4", replyFor(searchId, "B", "127.0.0.4").encode(), client);
    ASSERT_TRUE(waitUntil([&] { return m_sdk->GetSearchIPCCount() == 4; }, kDeadline));

    const char* expected[][2] = {
        {"C", "127.0.0.3"}, {"A", "127.0.0.1"}, {"C", "127.0.0.2"}, {"B", "127.0.0.4"}};
    for (int i = 0; i < 4; ++i) {
        _IPCINFO info{};
        ASSERT_EQ(m_sdk->GetIPCInfo(i, &info), 0);
        EXPECT_STREQ(info.serialNo, expected[i][0]);
        EXPECT_STREQ(info.ipAddress, expected[i][1]);
        // Credentials come from the library's own setting, never from the wire.
        EXPECT_STREQ(info.userName, "installer");
        EXPECT_STREQ(info.password, "secret");
        EXPECT_EQ(info.port, 8000);
        EXPECT_EQ(info.playParam, 7);
    }
    _IPCINFO info{};
    EXPECT_NE(m_sdk->GetIPCInfo(4, &info), 0);
    EXPECT_NE(m_sdk->GetIPCInfo(-1, &info), 0);
    EXPECT_NE(m_sdk->GetIPCInfo(0, nullptr), 0);
}

TEST_F(SearchChannelTest, NewSearchStartsEmptyAndDropsAnswersToTheOldOne)
{
    ASSERT_EQ(m_sdk->StartSearchIPC(), 0);
    const auto [firstId, client] = nextProbe();
    m_endpoint.sendFrom("127.0.0.5", replyFor(firstId, "OLD", "127.0.0.5").encode(), client);
    ASSERT_TRUE(waitUntil([&] { return m_sdk->GetSearchIPCCount() == 1; }, kDeadline));

    ASSERT_EQ(m_sdk->StartSearchIPC(), 0);
    EXPECT_EQ(m_sdk->GetSearchIPCCount(), 0);
    std::uint32_t secondId = firstId;
    asio::ip::udp::endpoint secondClient;
    while (secondId == firstId) // skip a repeat of the first probe
        std::tie(secondId, secondClient) = nextProbe();
    m_endpoint.sendFrom("127.0.0.5", replyFor(firstId, "OLD", "127.0.0.5").encode(), client);
    m_endpoint.sendFrom("127.0.0.6", replyFor(secondId, "NEW", "127.0.0.6").encode(), client);
    ASSERT_TRUE(waitUntil([&] { return m_sdk->GetSearchIPCCount() >= 1; }, kDeadline));
    _IPCINFO info{};
    ASSERT_EQ(m_sdk->GetIPCInfo(0, &info), 0);
    EXPECT_STREQ(info.serialNo, "NEW");
    EXPECT_EQ(m_sdk->GetSearchIPCCount(), 1);

    // After the stop, answers are dropped.
    ASSERT_EQ(m_sdk->StopSearchIPC(), 0);
    m_endpoint.sendFrom("127.0.0.7", replyFor(secondId, "LATE", "127.0.0.7").encode(), client);
    m_endpoint.sendFrom("127.0.0.6", replyFor(secondId, "MARK", "127.0.0.6").encode(), client);
    EXPECT_FALSE(waitUntil([&] { return m_sdk->GetSearchIPCCount() != 1; }, 300ms));
}

TEST_F(SearchChannelTest, RandomDatagramsAreDroppedAndTheSearchGoesOn)
{
    ASSERT_EQ(m_sdk->StartSearchIPC(), 0);
    const auto [searchId, client] = nextProbe();
    std::mt19937 random(12345);
    std::vector<std::string> listed;
    // The junk goes out in rounds, each closed by a sound reply that must be
    // listed before the next round: the socket's queue never overflows, so
    // every junk datagram is really read and dropped, on any machine.
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < 30; ++i) {
            std::vector<std::uint8_t> junk(random() % 600);
            for (auto& byte : junk)
                byte = static_cast<std::uint8_t>(random());
            // Half of them look like a search reply at first glance.
            if (i % 2 == 0 && junk.size() >= 8) {
                const std::uint8_t head[] = {0x56, 0x58, 0x4C, 0x44, 1, 2, 0, 0};
                std::memcpy(junk.data(), head, sizeof head);
            }
            m_endpoint.sendFrom("127.0.0.9", junk, client);
        }
        listed.push_back("ROUND" + std::to_string(round));
        m_endpoint.sendFrom("127.0.0.9", replyFor(searchId, listed.back(), "127.0.0.9").encode(),
                            client);
        ASSERT_TRUE(waitUntil([&] { return m_sdk->GetSearchIPCCount() >= round + 1; }, kDeadline));
    }
    // A reply truncated by one byte and one holding a NUL in its serial.
    auto truncated = replyFor(searchId, "CUT", "127.0.0.9").encode();
    truncated.pop_back();
    m_endpoint.sendFrom("127.0.0.9", truncated, client);
    m_endpoint.sendFrom("127.0.0.9",
                        replyFor(searchId, std::string("N\0L", 3), "127.0.0.9").encode(), client);
    listed.push_back("GOOD");
    m_endpoint.sendFrom("127.0.0.9", replyFor(searchId, "GOOD", "127.0.0.9").encode(), client);
    ASSERT_TRUE(waitUntil([&] { return m_sdk->GetSearchIPCCount() >= 11; }, kDeadline));

    std::vector<std::string> found;
    for (int i = 0; i < m_sdk->GetSearchIPCCount(); ++i) {
        _IPCINFO info{};
        ASSERT_EQ(m_sdk->GetIPCInfo(i, &info), 0);
        found.emplace_back(info.serialNo);
    }
    EXPECT_EQ(found, listed);
}

TEST_F(SearchChannelTest, ModifyIpNamesTheCameraOfTheRecordAndResendsOnce)
{
    setTimeScaleForTesting(20);
    ASSERT_EQ(m_sdk->StartSearchIPC(), 0);
    const auto [searchId, client] = nextProbe();
    m_endpoint.sendFrom("127.0.0.11", replyFor(searchId, "NVR1", "127.0.0.11", "NVR").encode(),
                        client);
    m_endpoint.sendFrom("127.0.0.12", replyFor(searchId, "CAM1", "127.0.0.12").encode(), client);
    ASSERT_TRUE(waitUntil([&] { return m_sdk->GetSearchIPCCount() == 2; }, kDeadline));
    m_sdk->StopSearchIPC();

    // The program lists cameras only, so CAM1 is its row 0 though it is the
    // second search result; the record decides which camera is addressed.
    _IPCINFO record{};
    ASSERT_EQ(m_sdk->GetIPCInfo(1, &record), 0);
    std::strcpy(record.ipAddress, "127.0.0.99");

    std::thread camera([&] {
        std::vector<proto::ModifyIp> seen;
        while (seen.size() < 2) {
            auto datagram = m_endpoint.receive();
            if (!datagram)
                return;
            if (auto request = proto::ModifyIp::decode(datagram->first))
                seen.push_back(*request);
        }
        // Answer only the repeat, as if the first had been lost.
        EXPECT_EQ(seen[0], seen[1]);
        EXPECT_EQ(seen[1].serialNo, "CAM1");
        EXPECT_EQ(seen[1].macAddress, "02:00:00:00:00:01");
        EXPECT_EQ(seen[1].ipAddress, "127.0.0.99");
        proto::ModifyIpReply reply{seen[1].requestId, proto::ModifyIpStatus::Accepted, "CAM1"};
        m_endpoint.sendFrom("127.0.0.12", reply.encode(), client);
    });
    EXPECT_EQ(m_sdk->ModifyIPC(0, &record), 0);
    camera.join();
}

TEST_F(SearchChannelTest, ModifyIpFailsOnRefusalAndOnSilence)
{
    setTimeScaleForTesting(20);
    _IPCINFO record{};
    std::strcpy(record.serialNo, "CAM2");
    std::strcpy(record.macAddress, "02:00:00:00:00:02");
    std::strcpy(record.ipAddress, "127.0.0.98");

    std::thread camera([&] {
        for (;;) {
            auto datagram = m_endpoint.receive();
            if (!datagram)
                return;
            if (auto request = proto::ModifyIp::decode(datagram->first)) {
                // A reply naming another camera does not count; then the refusal.
                m_endpoint.sendFrom(
                    "127.0.0.13",
                    proto::ModifyIpReply{request->requestId, proto::ModifyIpStatus::Accepted, "X"}
                        .encode(),
                    datagram->second);
                m_endpoint.sendFrom(
                    "127.0.0.13",
                    proto::ModifyIpReply{request->requestId, proto::ModifyIpStatus::Refused, "CAM2"}
                        .encode(),
                    datagram->second);
                return;
            }
        }
    });
    EXPECT_NE(m_sdk->ModifyIPC(0, &record), 0);
    camera.join();

    // Nobody answers: the call gives up within its bound (2 s / 20).
    const auto before = std::chrono::steady_clock::now();
    EXPECT_NE(m_sdk->ModifyIPC(0, &record), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

// A whole site answers one probe at once. The answers must wait in the
// socket's queue while the client is busy, not be dropped: here the client's
// I/O does not run at all until every answer has been sent.
TEST(SearchBurst, AnswersOfAWholeSiteSentWhileTheClientIsNotReadingAreAllListed)
{
    setTimeScaleForTesting(1);
    ScriptedSearchEndpoint endpoint;
    NetSdkOptions options;
    options.searchPort = endpoint.port();
    asio::io_context io;
    auto client = std::make_shared<SearchClient>(io, options);
    ASSERT_TRUE(client->open());
    ASSERT_TRUE(client->start());
    io.poll(); // sends the probe, and nothing is read until io runs again
    const auto probe = endpoint.receive();
    ASSERT_TRUE(probe);
    const auto searchId = proto::SearchProbe::decode(probe->first)->searchId;

    // Answers as long as the wire allows. The kernel charges a queued
    // datagram more than its bytes (on a real interface, a whole receive
    // buffer each); at this length an unenlarged queue holds far fewer than 250.
    auto fullReply = [&](int index) {
        auto reply = replyFor(searchId, "", "127.0.0.9");
        reply.record.serialNo =
            std::string(proto::kMaxSerialSize - 3, 'S') + std::to_string(index + 100);
        reply.record.deviceType = std::string(proto::kMaxDeviceTypeSize, 'T');
        reply.record.macAddress = std::string(proto::kMaxMacSize, 'M');
        reply.record.netmask = std::string(proto::kMaxAddressSize, '2');
        reply.record.gateway = std::string(proto::kMaxAddressSize, '1');
        return reply.encode();
    };
    ASSERT_GE(fullReply(0).size(), 250u);
    for (int i = 0; i < proto::kSearchAnswersAtOnce; ++i)
        endpoint.sendFrom("127.0.0.9", fullReply(i), probe->second);

    std::thread reader([&] { io.run_for(kDeadline); });
    const bool allListed =
        waitUntil([&] { return client->count() == proto::kSearchAnswersAtOnce; }, kDeadline);
    client->shutdown();
    io.stop();
    reader.join();
    EXPECT_TRUE(allListed) << client->count() << " of " << proto::kSearchAnswersAtOnce
                           << " answers listed";
}

} // namespace
} // namespace vexlo::netsdk::test
