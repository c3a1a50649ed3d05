#include "discovery_peer.h"
#include "tests/support/wait.h"

#include "ipcsim/onvif/discovery_responder.h"
#include "onvif/discovery_client.h"
#include "onvif/loopback_multicast.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <set>
#include <thread>

namespace vexlo::onvif {
namespace {

using ipcsim::onvif::DiscoveryEntry;
using ipcsim::onvif::DiscoveryResponder;
using test::DiscoveryPeer;
using test::HeardProbe;

const QualifiedName kStorage{std::string(kOnvifNetworkNamespace), "NetworkVideoStorage"};
const QualifiedName kDevice{std::string(kOnvifDeviceNamespace), "Device"};

// Device n on 127.214.x.y, a block no other test uses.
DiscoveryEntry device(int n,
                      std::vector<QualifiedName> types = {networkVideoTransmitter(), kDevice})
{
    const std::string address =
        "127.214." + std::to_string(n / 200) + "." + std::to_string(n % 200 + 1);
    const std::string scope = "onvif://www.onvif.org/";
    return {address,
            {"urn:uuid:5f1e0c2a-0000-4000-8000-" + std::to_string(200000000000 + n),
             std::move(types),
             {scope + "name/SN" + std::to_string(n), scope + "hardware/IPC"},
             {"http://" + address + ":8080/onvif/device_service"},
             1}};
}

// A ProbeMatches as a make with its own prefixes writes it, answering `relatesTo`.
std::string oddMatch(const std::string& relatesTo, const std::string& endpoint,
                     const std::string& xaddr)
{
    return "<?xml version=\"1.0\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:wsdd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
           "xmlns:tdn=\"http://www.onvif.org/ver10/network/wsdl\"><SOAP-ENV:Header>"
           "<wsa:MessageID>uuid:77</wsa:MessageID><wsa:RelatesTo>" +
           relatesTo +
           "</wsa:RelatesTo></SOAP-ENV:Header><SOAP-ENV:Body><wsdd:ProbeMatches><wsdd:ProbeMatch>"
           "<wsa:EndpointReference><wsa:Address>" +
           endpoint +
           "</wsa:Address></wsa:EndpointReference><wsdd:Types>tdn:NetworkVideoStorage"
           "</wsdd:Types><wsdd:Scopes>onvif://www.onvif.org/SerialNumber/NVR-77 "
           "onvif://www.onvif.org/MacAddress/00-1a-2b-00-00-77</wsdd:Scopes><wsdd:XAddrs>" +
           xaddr +
           "</wsdd:XAddrs></wsdd:ProbeMatch></wsdd:ProbeMatches></SOAP-ENV:Body>"
           "</SOAP-ENV:Envelope>";
}

std::string match(const std::string& relatesTo, const DiscoveryEntry& entry)
{
    return buildProbeMatches({"urn:uuid:m", relatesTo, {}, {entry.target}});
}

class DiscoveryClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const std::string problem = loopbackMulticastProblem(kDiscoveryGroupAddress);
            !problem.empty()) {
            GTEST_SKIP() << problem;
        }
        for (int i = 0; i < 2; ++i)
            m_threads.emplace_back([this] { m_io.run(); });
    }

    void TearDown() override
    {
        if (m_client)
            m_client->shutdown();
        if (m_responder)
            m_responder->close();
        m_work.reset();
        for (auto& thread : m_threads)
            thread.join();
        setTimeScaleForTesting(1);
    }

    // The simulator's responder for the site in m_site, which tests may grow.
    std::uint16_t openSite(std::vector<DiscoveryEntry> site, bool spread)
    {
        m_site = std::move(site);
        m_responder = std::make_unique<DiscoveryResponder>(
            m_io,
            [this] {
                std::lock_guard lock(m_siteMutex);
                return m_site;
            },
            ipcsim::onvif::DiscoveryOptions{spread});
        m_responder->open(0);
        return m_responder->port();
    }

    void addToSite(DiscoveryEntry entry)
    {
        std::lock_guard lock(m_siteMutex);
        m_site.push_back(std::move(entry));
    }

    void openClient(std::uint16_t port)
    {
        m_client = std::make_shared<DiscoveryClient>(
            m_io, DiscoveryClientOptions{true, {}, port, nullptr});
        ASSERT_TRUE(m_client->open()) << m_client->problem();
    }

    // Polls until the list has `n` entries; false when the deadline passes.
    bool listed(int n)
    {
        return vexlo::test::waitUntil([&] { return m_client->count() >= n; });
    }

    std::vector<DiscoveredDevice> list() const
    {
        std::vector<DiscoveredDevice> out;
        for (int i = 0; i < m_client->count(); ++i)
            out.push_back(m_client->result(i).value());
        return out;
    }

    // The three probes of one round, in the order sent.
    static std::vector<HeardProbe> round(DiscoveryPeer& peer)
    {
        std::vector<HeardProbe> out;
        for (int i = 0; i < 3; ++i) {
            std::optional<HeardProbe> heard = peer.nextProbe();
            if (!heard)
                break;
            out.push_back(*heard);
        }
        return out;
    }

    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work{
        m_io.get_executor()};
    std::vector<std::thread> m_threads;
    std::mutex m_siteMutex;
    std::vector<DiscoveryEntry> m_site;
    std::unique_ptr<DiscoveryResponder> m_responder;
    std::shared_ptr<DiscoveryClient> m_client;
};

TEST_F(DiscoveryClientTest, EveryDeviceListedOnceInArrivalOrderAndALateOneFound)
{
    setTimeScaleForTesting(20); // a round every 50 ms
    // Answers leave in site order, so the last device added marks the end of a round.
    const std::uint16_t port = openSite({device(0), device(1), device(2), device(3),
                                         device(4, {networkVideoTransmitter()}),
                                         device(5, {kStorage, kDevice}), device(6, {kStorage})},
                                        false);
    DiscoveryPeer listener(true, {}, port, "127.0.0.1");
    openClient(port);
    ASSERT_TRUE(m_client->start()) << m_client->problem();
    ASSERT_TRUE(listed(7));
    // Two rounds more, each for cameras, recorders and any device, with fresh
    // IDs (a device drops a MessageID it has seen as a copy); then a late one.
    std::set<std::string> ids;
    for (int r = 0; r < 2; ++r) {
        std::vector<QualifiedName> types;
        for (const HeardProbe& heard : round(listener)) {
            types.push_back(heard.probe.types.at(0));
            ids.insert(heard.probe.messageId);
        }
        EXPECT_EQ(types, (std::vector{networkVideoTransmitter(), kStorage, kDevice}));
    }
    EXPECT_EQ(ids.size(), 6u);
    addToSite(device(7));
    ASSERT_TRUE(listed(8));

    const std::vector<DiscoveredDevice> found = list();
    ASSERT_EQ(found.size(), 8u) << "every device once, though most answered every probe";
    for (std::size_t i = 0; i < found.size(); ++i) {
        const DiscoveryEntry& entry = m_site[i];
        EXPECT_EQ(found[i].endpoint, entry.target.address) << i;
        EXPECT_EQ(found[i].xaddrs, entry.target.xaddrs) << i;
        EXPECT_EQ(found[i].sender, entry.address) << i;
        EXPECT_EQ(found[i].ipAddress, entry.address) << i;
        EXPECT_TRUE(found[i].contactAllowed) << i;
        EXPECT_EQ(found[i].isRecorder, i == 5 || i == 6) << i;
        EXPECT_EQ(found[i].identity.serialNo, "SN" + std::to_string(i));
        EXPECT_EQ(found[i].identity.serialClue, Clue::NameScope);
    }
}

TEST_F(DiscoveryClientTest, OddJunkStaleAndRepeatedAnswersAreSortedOut)
{
    setTimeScaleForTesting(0.001); // one round only
    DiscoveryPeer peer(true, {}, 0, "127.0.0.9");
    openClient(peer.port());
    ASSERT_TRUE(m_client->start());
    const std::vector<HeardProbe> probes = round(peer);
    ASSERT_EQ(probes.size(), 3u);
    const sockaddr_in client = probes[0].from;
    const std::string id = probes[1].probe.messageId;

    const std::string recorder = "urn:uuid:0a0b0c0d-0000-4000-8000-000000000077";
    peer.send(client, oddMatch(id, recorder, "http://127.0.0.9/onvif/device_service"));
    const std::string valid = match(id, device(1));
    for (const std::string& junk :
         {std::string(), std::string("\0\xff<", 3), valid.substr(0, valid.size() / 2),
          std::string("<!DOCTYPE a [<!ENTITY b \"c\">]><a>&b;</a>"),
          buildProbe({"urn:uuid:x", {}, {}}), buildHello({"urn:uuid:h", {}, device(2).target}),
          match("urn:uuid:not-one-of-ours", device(3)), match("", device(4))}) {
        peer.send(client, junk);
    }
    DiscoveryEntry elsewhere = device(5);
    elsewhere.target.xaddrs = {"http://192.168.0.123/onvif/device_service"};
    peer.send(client, match(probes[0].probe.messageId, elsewhere));
    peer.send(client, oddMatch(probes[2].probe.messageId, recorder,
                               "http://127.0.0.10:8000/onvif/device_service"));
    peer.send(client, valid); // the last one, so the others were all read before it
    ASSERT_TRUE(listed(3));

    const std::vector<DiscoveredDevice> found = list();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].endpoint, recorder) << "a repeat keeps its place";
    EXPECT_EQ(found[0].xaddrs,
              std::vector<std::string>{"http://127.0.0.10:8000/onvif/device_service"});
    EXPECT_TRUE(found[0].isRecorder);
    EXPECT_EQ(found[0].identity.serialNo, "NVR-77");
    EXPECT_EQ(found[0].identity.macAddress, "00:1A:2B:00:00:77");

    EXPECT_EQ(found[1].endpoint, elsewhere.target.address);
    EXPECT_EQ(found[1].ipAddress, "192.168.0.123") << "listed with the address it gave";
    EXPECT_FALSE(found[1].contactAllowed) << "but never to be contacted in loopback mode";

    EXPECT_EQ(found[2].endpoint, device(1).target.address);
}

TEST_F(DiscoveryClientTest, StartEmptiesTheListAndAnswersToTheLastSearchAreDropped)
{
    setTimeScaleForTesting(0.001);
    DiscoveryPeer peer(true, {}, 0, "127.0.0.1");
    openClient(peer.port());
    ASSERT_TRUE(m_client->start());
    const std::vector<HeardProbe> first = round(peer);
    ASSERT_EQ(first.size(), 3u);
    peer.send(first[0].from, match(first[0].probe.messageId, device(0)));
    ASSERT_TRUE(listed(1));

    ASSERT_TRUE(m_client->start());
    EXPECT_EQ(m_client->count(), 0);
    const std::vector<HeardProbe> second = round(peer);
    ASSERT_EQ(second.size(), 3u);
    peer.send(first[0].from, match(first[1].probe.messageId, device(1)));
    peer.send(first[0].from, match(second[2].probe.messageId, device(2)));
    ASSERT_TRUE(listed(1));
    EXPECT_EQ(list().front().endpoint, device(2).target.address);
    m_client->stop();
    EXPECT_EQ(m_client->count(), 1) << "stopping keeps the list";
}

TEST_F(DiscoveryClientTest, TwoHundredFiftyDevicesListedWithinThreeSeconds)
{
    std::vector<DiscoveryEntry> site;
    for (int n = 0; n < 250; ++n)
        site.push_back(device(n));
    openClient(openSite(site, true));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(m_client->start());
    ASSERT_TRUE(listed(250)) << m_client->count() << " of 250 listed";
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::cout << "250 devices listed in " << took.count() << " ms\n";
    EXPECT_LT(took, std::chrono::seconds(3));
}

TEST_F(DiscoveryClientTest, UnicastProbesGoToOneLoopbackAddressOnly)
{
    setTimeScaleForTesting(0.001);
    DiscoveryPeer peer(false, "127.0.0.77", 0, "127.0.0.77");
    openClient(peer.port());
    EXPECT_FALSE(m_client->probeAddress("127.0.0.77")) << "no search runs yet";
    ASSERT_TRUE(m_client->start());
    for (const char* refused :
         {"10.0.0.1", "192.168.0.123", "239.255.255.250", "0.0.0.0", "255.255.255.255",
          "127.0.0.256", "127.1", "localhost", "", " 127.0.0.77"}) {
        EXPECT_FALSE(m_client->probeAddress(refused)) << refused;
    }
    ASSERT_TRUE(m_client->probeAddress("127.0.0.77"));
    const std::vector<HeardProbe> probes = round(peer);
    ASSERT_EQ(probes.size(), 3u);
    peer.send(probes[0].from, match(probes[2].probe.messageId, device(9)));
    ASSERT_TRUE(listed(1));
    EXPECT_EQ(list().front().sender, "127.0.0.77");

    auto lan =
        std::make_shared<DiscoveryClient>(m_io, DiscoveryClientOptions{false, {}, 0, nullptr});
    EXPECT_FALSE(lan->open()) << "LAN mode never picks an interface by itself";
}

} // namespace
} // namespace vexlo::onvif
