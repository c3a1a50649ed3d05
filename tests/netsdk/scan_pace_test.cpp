// A scan of a /22 by both searches, seen from the receiving end: one socket
// on lo hears every datagram sent to any loopback address at its port and
// notes where each went. Every address of the range gets its probe within
// 10 s, no datagram leaves the range (besides the search's own endpoint), and
// the bursts are paced (the pass cannot be quicker than its pauses allow).
#include "tests/support/wait.h"

#include "netsdk/search_client.h"
#include "onvif/discovery_client.h"
#include "platform/address_ranges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vexlo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kRange = "127.51.4.0-127.51.7.255"; // a /22
constexpr std::size_t kRangeSize = 1024;
constexpr std::uint32_t kFirst = (127u << 24) | (51u << 16) | (4u << 8);
constexpr std::uint32_t kSiteEndpoint = 0x7F000001u;   // 127.0.0.1
constexpr std::uint32_t kDiscoveryGroup = 0xEFFFFFFAu; // 239.255.255.250

// A UDP socket on lo at a free port, listening on every address of lo: it
// only receives, and records the destination of each datagram.
class CountingSocket
{
public:
    CountingSocket()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        const int on = 1;
        const bool onLo = m_fd >= 0 &&
                          ::setsockopt(m_fd, SOL_SOCKET, SO_BINDTODEVICE, "lo", 2) == 0 &&
                          ::setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0;
        sockaddr_in any{};
        any.sin_family = AF_INET;
        socklen_t length = sizeof any;
        if (!onLo || ::bind(m_fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&any), &length) != 0)
            return;
        m_port = ntohs(any.sin_port);
        m_reader = std::thread([this] { read(); });
    }
    ~CountingSocket()
    {
        m_stop = true;
        if (m_reader.joinable())
            m_reader.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }

    std::uint16_t port() const { return m_port; }
    // Datagrams per destination address, and when the first one arrived.
    std::map<std::uint32_t, int> counts() const
    {
        std::lock_guard lock(m_mutex);
        return m_counts;
    }
    std::size_t inRange() const
    {
        std::lock_guard lock(m_mutex);
        return m_firstInRange.size();
    }
    Clock::time_point lastFirstInRange() const
    {
        std::lock_guard lock(m_mutex);
        return m_lastFirst;
    }

private:
    void read()
    {
        while (!m_stop) {
            pollfd ready{m_fd, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            char data[4096];
            alignas(cmsghdr) char control[256];
            iovec part{data, sizeof data};
            msghdr message{};
            message.msg_iov = &part;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            if (::recvmsg(m_fd, &message, 0) < 0)
                continue;
            for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
                 header = CMSG_NXTHDR(&message, header)) {
                if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO)
                    continue;
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(header), sizeof info);
                const std::uint32_t to = ntohl(info.ipi_addr.s_addr);
                std::lock_guard lock(m_mutex);
                ++m_counts[to];
                if (to - kFirst < kRangeSize && m_firstInRange.emplace(to, Clock::now()).second)
                    m_lastFirst = Clock::now();
            }
        }
    }

    int m_fd = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::map<std::uint32_t, int> m_counts;
    std::map<std::uint32_t, Clock::time_point> m_firstInRange;
    Clock::time_point m_lastFirst;
};

class ScanPace : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (m_counter.port() == 0)
            GTEST_SKIP() << "no socket on lo (needs the tests' network namespace)";
        const AddressRangeList list = parseAddressRanges(kRange);
        ASSERT_TRUE(list.ok()) << list.error;
        m_targets = std::make_shared<ScanTargets>(list.ranges);
        m_work.emplace(m_io.get_executor());
        m_thread = std::thread([this] { m_io.run(); });
    }
    void TearDown() override
    {
        m_work.reset();
        m_io.stop();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Waits for the first datagram to every address of the range and checks
    // the time the pass took and where every datagram went.
    void expectPacedPass(Clock::time_point start, std::chrono::milliseconds shortestPass,
                         std::vector<std::uint32_t> searchEndpoints)
    {
        ASSERT_TRUE(test::waitUntil([&] { return m_counter.inRange() == kRangeSize; }))
            << m_counter.inRange() << " of " << kRangeSize << " addresses probed";
        const auto took = m_counter.lastFirstInRange() - start;
        std::printf("a pass over %zu addresses took %lld ms\n", kRangeSize,
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
        EXPECT_LT(took, std::chrono::seconds(10));
        EXPECT_GE(took, shortestPass) << "the probes were not paced";
        for (const auto& [to, count] : m_counter.counts())
            EXPECT_TRUE(to - kFirst < kRangeSize ||
                        std::find(searchEndpoints.begin(), searchEndpoints.end(), to) !=
                            searchEndpoints.end())
                << count << " datagram(s) to " << formatIpv4Address(to);
    }

    CountingSocket m_counter;
    std::shared_ptr<ScanTargets> m_targets;
    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work;
    std::thread m_thread;
};

// 1024 probes, 32 a burst: 31 pauses at the least.
TEST_F(ScanPace, HomeProtocolSearchProbesEveryAddressOfASlash22InPacedBursts)
{
    netsdk::NetSdkOptions options;
    options.searchPort = m_counter.port();
    options.scanTargets = m_targets;
    auto client = std::make_shared<netsdk::SearchClient>(m_io, options);
    ASSERT_TRUE(client->open());
    const auto start = Clock::now();
    ASSERT_TRUE(client->start());
    expectPacedPass(start, 31 * kScanBurstPause * 9 / 10, {kSiteEndpoint});
    client->stop();
    client->shutdown();
}

// Three probes an address, ten addresses a burst: 102 pauses at the least.
TEST_F(ScanPace, OnvifDiscoveryProbesEveryAddressOfASlash22InPacedBursts)
{
    onvif::DiscoveryClientOptions options;
    options.port = m_counter.port();
    options.scanTargets = m_targets;
    auto client = std::make_shared<onvif::DiscoveryClient>(m_io, options);
    ASSERT_TRUE(client->open()) << client->problem();
    const auto start = Clock::now();
    ASSERT_TRUE(client->start());
    // Its rounds go to the group (or to 127.0.0.1 where the group is not routed to lo).
    expectPacedPass(start, 102 * kScanBurstPause * 9 / 10, {kSiteEndpoint, kDiscoveryGroup});
    client->stop();
    client->shutdown();
}

} // namespace
} // namespace vexlo
