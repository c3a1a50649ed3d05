#include "site_fixture.h"

#include "ipcsim/address.h"

#include <set>

using vexlo::ipcsim::CameraSetup;
using vexlo::ipcsim::formatIpv4;
using vexlo::ipcsim::parseIpv4;
using vexlo::ipcsim::Scenario;
using namespace vexlo::protocol;
using namespace simtest;

TEST_F(SiteTest, EveryCameraAndTheRecorderAnswerFromTheirOwnAddress)
{
    Scenario scenario = healthySite(5);
    scenario.cameras[4].type = "NVR";
    scenario.cameras[2].port = 6036;
    scenario.cameras[2].playParam = 7;
    start(scenario);

    SearchClient search;
    search.probe(port(), 0x0A0B0C0D);
    const auto replies = search.collect(0x0A0B0C0D, 5, kDeadline);
    ASSERT_EQ(replies.size(), 5u);
    std::set<std::string> serials;
    for (const auto& received : replies) {
        const SearchRecord& record = received.reply.record;
        EXPECT_EQ(received.from, record.ipAddress) << record.serialNo;
        serials.insert(record.serialNo);
        const auto index = std::stoul(record.serialNo.substr(3)) - 1;
        const CameraSetup& setup = scenario.cameras[index];
        EXPECT_EQ(record.ipAddress, setup.address);
        EXPECT_EQ(record.macAddress, setup.mac);
        EXPECT_EQ(record.deviceType, setup.type);
        EXPECT_EQ(record.loginPort, setup.port);
        EXPECT_EQ(record.playParam, setup.playParam);
        EXPECT_EQ(record.netmask, "255.0.0.0");
    }
    EXPECT_EQ(serials.size(), 5u);

    // A second probe is answered again, under its own id.
    search.probe(port(), 77);
    EXPECT_EQ(search.collect(77, 5, kDeadline).size(), 5u);
}

TEST_F(SiteTest, TwoHundredFiftyCamerasAnswerOneProbeOnceEach)
{
    start(healthySite(250));
    SearchClient search;
    search.probe(port(), 9);
    const auto replies = search.collect(9, 250, kDeadline);
    std::set<std::string> serials;
    for (const auto& received : replies) {
        serials.insert(received.reply.record.serialNo);
    }
    EXPECT_EQ(replies.size(), 250u);
    EXPECT_EQ(serials.size(), 250u);
}

TEST_F(SiteTest, ModifyIpMovesTheCameraToItsNewAddress)
{
    Scenario scenario = healthySite(2);
    start(scenario);
    const CameraSetup& setup = scenario.cameras[0];
    const std::string target = formatIpv4(*parseIpv4(scenario.cameras[1].address) + 10);

    auto before = loggedIn(0);
    SearchClient search;
    ModifyIp request{41, setup.serial, setup.mac, target, "255.255.0.0", "127.0.0.1"};
    const auto reply = search.modifyIp(port(), request, kDeadline);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, ModifyIpStatus::Accepted);
    EXPECT_EQ(reply->serialNo, setup.serial);
    EXPECT_TRUE(before->waitClosed(kDeadline)) << "sessions close when the address changes";

    const auto found = search.searchUntil(
        port(), [&](const ReceivedReply& r) { return r.reply.record.serialNo == setup.serial; },
        kDeadline);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->reply.record.ipAddress, target);
    EXPECT_EQ(found->from, target);
    EXPECT_EQ(found->reply.record.netmask, "255.255.0.0");

    TestSession old;
    EXPECT_FALSE(old.connect(setup.address, setup.port, 500ms));
    TestSession moved;
    ASSERT_TRUE(moved.connect(target, setup.port));
    EXPECT_EQ(moved.login(setup.user, setup.password), LoginStatus::Accepted);

    // The same request again gets the same answer and moves nothing.
    const auto again = search.modifyIp(port(), request, kDeadline);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, ModifyIpStatus::Accepted);
    EXPECT_EQ(m_site->camera(0).sessions, 1);
}

TEST_F(SiteTest, ModifyIpRefusals)
{
    Scenario scenario = healthySite(3);
    scenario.cameras[1].faults.modifyIpRefused = true;
    start(scenario);
    SearchClient search;
    const CameraSetup& first = scenario.cameras[0];
    const CameraSetup& stubborn = scenario.cameras[1];
    const CameraSetup& third = scenario.cameras[2];
    const std::string spare = formatIpv4(*parseIpv4(third.address) + 20);

    auto reply = search.modifyIp(
        port(), {1, stubborn.serial, stubborn.mac, spare, "255.0.0.0", "127.0.0.1"}, kDeadline);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, ModifyIpStatus::Refused);
    EXPECT_EQ(m_site->camera(1).address, stubborn.address);

    // Off loopback, or onto another camera's address: refused as a bad address.
    for (const std::string& bad : {std::string("192.168.1.20"), third.address,
                                   std::string("127.255.255.255"), std::string("not an address")}) {
        static std::uint32_t id = 100;
        reply = search.modifyIp(
            port(), {++id, first.serial, first.mac, bad, "255.0.0.0", "127.0.0.1"}, kDeadline);
        ASSERT_TRUE(reply) << bad;
        EXPECT_EQ(reply->status, ModifyIpStatus::BadAddress) << bad;
    }
    EXPECT_EQ(m_site->camera(0).address, first.address);
    EXPECT_TRUE(m_site->camera(0).listening);

    // A request whose MAC does not match the serial reaches nobody.
    EXPECT_FALSE(search.modifyIp(
        port(), {200, first.serial, third.mac, spare, "255.0.0.0", "127.0.0.1"}, 300ms));
}

TEST_F(SiteTest, GarbageAtTheSearchPortCrashesNothing)
{
    start(healthySite(3));
    SearchClient search;
    std::srand(12345);
    for (int i = 0; i < 2000; ++i) {
        std::vector<std::uint8_t> datagram(static_cast<std::size_t>(std::rand() % 600));
        for (auto& byte : datagram) {
            byte = static_cast<std::uint8_t>(std::rand());
        }
        if (i % 3 == 0 && datagram.size() >= 8) {
            // Valid header, random body: reaches the body decoders.
            const auto probe = SearchProbe{1}.encode();
            std::copy(probe.begin(), probe.begin() + 5, datagram.begin());
            datagram[5] = static_cast<std::uint8_t>(1 + i % 4);
        }
        search.sendRaw(port(), datagram);
    }
    // A replay of a search reply (a camera's own datagram type) is dropped too.
    SearchReply bounced;
    bounced.searchId = 1;
    search.sendRaw(port(), bounced.encode());

    // The flood may have overrun a socket buffer, so probe again until a
    // whole round of answers comes, as the device library does.
    const bool answered = waitUntil(
        [&] {
            static std::uint32_t id = 4242;
            search.probe(port(), ++id);
            return search.collect(id, 3, 300ms).size() == 3;
        },
        kDeadline);
    EXPECT_TRUE(answered) << "the site still answers after the garbage";
}
