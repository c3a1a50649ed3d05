#include "tests/support/wait.h"

#include "ipcsim/onvif/discovery_responder.h"
#include "onvif/loopback_multicast.h"

#include <asio.hpp>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <iostream>
#include <set>
#include <thread>

namespace vexlo::ipcsim::onvif {
namespace {

using asio::ip::udp;
namespace wsd = vexlo::onvif;

// Empty when multicast to the group stays on lo here (the test namespace
// routes 224.0.0.0/4 there); else why not, for a skip message.
std::string loopbackMulticastProblem()
{
    return wsd::loopbackMulticastProblem(vexlo::onvif::kDiscoveryGroupAddress);
}

struct Datagram
{
    std::string bytes;
    std::string sender;
};

// A plain UDP socket on loopback: a prober on 127.0.0.1, or with a group
// port, a listener joined to the group on lo beside the responder.
class UdpPeer
{
public:
    explicit UdpPeer(std::uint16_t groupPort = 0) : m_socket(m_io, udp::v4())
    {
        const auto loopback = asio::ip::address_v4::loopback();
        const auto group = asio::ip::make_address_v4(vexlo::onvif::kDiscoveryGroupAddress);
        m_socket.set_option(asio::ip::multicast::outbound_interface(loopback));
        m_socket.set_option(asio::ip::multicast::hops(1));
        m_socket.set_option(asio::socket_base::receive_buffer_size(4 << 20));
        if (groupPort == 0) {
            m_socket.bind({loopback, 0});
            return;
        }
        m_socket.set_option(asio::socket_base::reuse_address(true));
        m_socket.set_option(
            asio::detail::socket_option::boolean<IPPROTO_IP, IP_MULTICAST_ALL>(false));
        m_socket.bind({group, groupPort});
        m_socket.set_option(asio::ip::multicast::join_group(group, loopback));
    }

    void sendToGroup(std::uint16_t port, std::string_view bytes)
    {
        m_socket.send_to(asio::buffer(bytes),
                         {asio::ip::make_address_v4(vexlo::onvif::kDiscoveryGroupAddress), port});
    }

    // The next datagram; none when the test deadline passes first.
    std::optional<Datagram> receive()
    {
        std::optional<Datagram> out;
        std::string buffer(65536, '\0');
        udp::endpoint from;
        m_socket.async_receive_from(
            asio::buffer(buffer), from, [&](asio::error_code error, std::size_t size) {
                if (!error) {
                    out = Datagram{buffer.substr(0, size), from.address().to_string()};
                }
            });
        m_io.restart();
        if (m_io.run_for(vexlo::test::kDeadline) == 0) {
            m_socket.cancel();
            m_io.restart();
            m_io.run();
        }
        return out;
    }

private:
    asio::io_context m_io;
    udp::socket m_socket;
};

const wsd::QualifiedName kStorage{"http://www.onvif.org/ver10/network/wsdl", "NetworkVideoStorage"};

// Camera n on 127.213.x.y, a block no other test uses (the responder only
// sends from these addresses; nothing binds them).
DiscoveryEntry camera(int n, const std::string& location = "site-a", bool recorder = false)
{
    const std::string address =
        "127.213." + std::to_string(n / 200) + "." + std::to_string(n % 200 + 1);
    const std::string scope = "onvif://www.onvif.org/";
    return {address,
            {"urn:uuid:2b0c0f6e-0000-4000-8000-" + std::to_string(100000000000 + n),
             {recorder ? kStorage : wsd::networkVideoTransmitter()},
             {scope + "name/Camera" + std::to_string(n), scope + "hardware/IPC",
              scope + "location/" + location},
             {"http://" + address + ":8080/onvif/device_service"},
             1}};
}

struct Answer
{
    std::string sender;
    wsd::ProbeMatches matches;
};

class DiscoveryResponderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const std::string problem = loopbackMulticastProblem(); !problem.empty()) {
            GTEST_SKIP() << problem;
        }
    }

    void TearDown() override
    {
        m_io.stop();
        for (auto& thread : m_threads) {
            thread.join();
        }
    }

    // Without spread, answers leave in probe order, so a last probe that only
    // the recorder (the last entry) answers marks the end of the others.
    void start(std::vector<DiscoveryEntry> site, bool spread = false)
    {
        m_site = std::move(site);
        m_responder = std::make_unique<DiscoveryResponder>(
            m_io, [this] { return m_site; }, DiscoveryOptions{spread});
        m_responder->open(0);
        for (int i = 0; i < 2; ++i) {
            m_threads.emplace_back([this] { m_io.run(); });
        }
    }

    std::string probe(std::vector<wsd::QualifiedName> types, std::vector<std::string> scopes = {})
    {
        const std::string id = "urn:uuid:probe-" + std::to_string(++m_probes);
        m_prober.sendToGroup(m_responder->port(), wsd::buildProbe({id, types, scopes}));
        return id;
    }

    // Every answer to the probes sent so far.
    std::vector<Answer> answers()
    {
        const std::string fence = probe({kStorage});
        std::vector<Answer> out;
        while (std::optional<Datagram> datagram = m_prober.receive()) {
            std::optional<wsd::ProbeMatches> matches = wsd::parseProbeMatches(datagram->bytes);
            EXPECT_TRUE(matches) << "not a ProbeMatches: " << datagram->bytes;
            if (matches && matches->relatesTo == fence) {
                return out;
            }
            out.push_back({datagram->sender, matches.value_or(wsd::ProbeMatches{})});
        }
        ADD_FAILURE() << "the recorder never answered the last probe";
        return out;
    }

    asio::io_context m_io;
    std::vector<std::thread> m_threads;
    std::vector<DiscoveryEntry> m_site;
    std::unique_ptr<DiscoveryResponder> m_responder;
    UdpPeer m_prober;
    int m_probes = 0;
};

TEST_F(DiscoveryResponderTest, EveryCameraAnswersOnceFromItsOwnAddressWithItsServices)
{
    start({camera(0), camera(1), camera(2), camera(3), camera(4, "site-a", true)});
    const std::string id = probe({wsd::networkVideoTransmitter()});
    const std::vector<Answer> received = answers();

    ASSERT_EQ(received.size(), 4u) << "the four cameras, not the recorder";
    std::set<std::string> senders, messageIds;
    for (const Answer& answer : received) {
        const int n = std::stoi(answer.sender.substr(answer.sender.rfind('.') + 1)) - 1;
        ASSERT_LT(n, 4) << answer.sender;
        EXPECT_EQ(answer.matches.relatesTo, id);
        EXPECT_EQ(answer.matches.matches, std::vector{m_site[n].target}) << answer.sender;
        senders.insert(answer.sender);
        messageIds.insert(answer.matches.messageId);
    }
    EXPECT_EQ(senders.size(), 4u);
    EXPECT_EQ(messageIds.size(), 4u) << "every answer has a MessageID of its own";
}

TEST_F(DiscoveryResponderTest, TypesAndScopesChooseWhoAnswers)
{
    start({camera(0), camera(1, "site-b"), camera(2, "site-a/gate"), camera(3, "site-a", true)});
    const std::string scope = "onvif://www.onvif.org/";
    const struct
    {
        std::vector<wsd::QualifiedName> types;
        std::vector<std::string> scopes;
        std::set<std::string> answering; // last octets
    } cases[] = {
        {{}, {}, {"1", "2", "3", "4"}},
        {{kStorage}, {}, {"4"}},
        {{{"urn:example:printers", "Printer"}}, {}, {}},
        {{}, {scope + "location/site-a"}, {"1", "3", "4"}},
        {{}, {"ONVIF://WWW.ONVIF.ORG/name/Camera1/"}, {"2"}},
        {{}, {scope + "name/Camera"}, {}}, // a segment must match whole
        {{wsd::networkVideoTransmitter()},
         {scope + "location/site-a", scope + "hardware/IPC"},
         {"1", "3"}},
    };
    for (const auto& c : cases) {
        const std::string id = probe(c.types, c.scopes);
        std::set<std::string> answering;
        for (const Answer& answer : answers()) {
            EXPECT_EQ(answer.matches.relatesTo, id);
            answering.insert(answer.sender.substr(answer.sender.rfind('.') + 1));
        }
        EXPECT_EQ(answering, c.answering) << wsd::buildProbe({id, c.types, c.scopes});
    }
}

TEST_F(DiscoveryResponderTest, AnythingButAProbeIsDroppedAndTheResponderCarriesOn)
{
    start({camera(0), camera(1, "site-a", true)});
    const std::string probeBytes = wsd::buildProbe({"urn:uuid:x", {}, {}});
    for (const std::string& junk :
         {std::string(), std::string("\0\xff<", 3), probeBytes.substr(0, probeBytes.size() / 2),
          std::string(60000, '<'), wsd::buildProbeMatches({"urn:uuid:y", "urn:uuid:x", {}, {}}),
          std::string("<!DOCTYPE a [<!ENTITY b \"c\">]><a>&b;</a>")}) {
        m_prober.sendToGroup(m_responder->port(), junk);
    }
    const std::string id = probe({});
    const std::vector<Answer> received = answers();
    ASSERT_EQ(received.size(), 2u) << "only the real probe is answered";
    EXPECT_EQ(received[0].matches.relatesTo, id);
}

TEST_F(DiscoveryResponderTest, HelloAndByeGoToTheGroupFromTheCameraInANewInstanceEachTime)
{
    start({});
    UdpPeer listener(m_responder->port());
    const DiscoveryEntry cam = camera(7);
    m_responder->hello(cam);
    m_responder->bye(cam);
    m_responder->hello(cam);

    std::vector<wsd::Announcement> heard;
    for (bool hello : {true, false, true}) {
        const std::optional<Datagram> datagram = listener.receive();
        ASSERT_TRUE(datagram) << "announcement " << heard.size() << " never arrived";
        EXPECT_EQ(datagram->sender, cam.address);
        auto announcement =
            hello ? wsd::parseHello(datagram->bytes) : wsd::parseBye(datagram->bytes);
        ASSERT_TRUE(announcement) << datagram->bytes;
        EXPECT_EQ(announcement->target.address, cam.target.address);
        heard.push_back(*announcement);
    }
    EXPECT_EQ(heard[0].target.xaddrs, cam.target.xaddrs);
    EXPECT_EQ(heard[0].sequence.instanceId, heard[1].sequence.instanceId);
    EXPECT_LT(heard[0].sequence.messageNumber, heard[1].sequence.messageNumber);
    EXPECT_GT(heard[2].sequence.instanceId, heard[1].sequence.instanceId)
        << "a camera that comes back starts a new instance";
}

TEST_F(DiscoveryResponderTest, TwoHundredFiftyCamerasAllAnswerWithinOneSecond)
{
    std::vector<DiscoveryEntry> site;
    for (int n = 0; n < 250; ++n) {
        site.push_back(camera(n));
    }
    start(site, true);
    const auto started = std::chrono::steady_clock::now();
    probe({wsd::networkVideoTransmitter()});
    std::set<std::string> senders;
    while (senders.size() < site.size()) {
        const std::optional<Datagram> datagram = m_prober.receive();
        ASSERT_TRUE(datagram) << senders.size() << " of 250 answered";
        senders.insert(datagram->sender);
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    std::cout << "250 cameras answered in " << took.count() << " ms\n";
    EXPECT_LT(took, std::chrono::seconds(1));
}

} // namespace
} // namespace vexlo::ipcsim::onvif
