#include "onvif/discovery_client.h"

#include "onvif/encoding.h"
#include "onvif/loopback_multicast.h"
#include "platform/receive_buffer.h"
#include "platform/tick.h"

#include <array>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vexlo::onvif {

using asio::ip::udp;

namespace {

// While a search runs the probes go out again at this period: datagrams get
// lost, and cameras that come up later (or back from a reboot) must be found.
constexpr std::uint32_t kProbeRepeatMs = 1000;

// A whole site answers each round within half a second, most devices twice
// (as a transmitter or recorder and as a device): 1000 answers at the 4 KiB
// the kernel may charge for each must fit in the queue until they are read.
constexpr int kReceiveBufferBytes = 1000 * 4096;

// The largest UDP payload; anything longer never arrives whole.
constexpr std::size_t kMaxDatagramBytes = 65536;

// MessageIDs remembered for matching answers: a few minutes of rounds, or a
// unicast scan of a thousand addresses, whichever the search does.
constexpr std::size_t kRememberedProbes = 4096;

// Beyond this many devices a flood of made-up endpoints adds nothing more.
constexpr std::size_t kMaxDevices = 4096;

const std::array<QualifiedName, 3>& probeTypes()
{
    static const std::array<QualifiedName, 3> types{{
        networkVideoTransmitter(),
        {std::string(kOnvifNetworkNamespace), "NetworkVideoStorage"},
        {std::string(kOnvifDeviceNamespace), "Device"},
    }};
    return types;
}

bool isLoopback(const asio::ip::address& address)
{
    return address.is_v4() && (address.to_v4().to_uint() >> 24) == 127;
}

// One entry per device. The endpoint reference is its identity, but some
// makes ship every unit with the same one: a MAC or serial stated in the
// scopes keeps such devices apart, and does not change when a device moves.
std::string listKey(const DiscoveredDevice& device)
{
    std::string key = device.endpoint;
    if (key.empty()) {
        if (device.xaddrs.empty())
            return {};
        key = "xaddr " + device.xaddrs.front();
    }
    const DeviceIdentity& id = device.identity;
    if (id.macClue == Clue::MacScope)
        key += "\nmac " + id.macAddress;
    if (id.serialClue == Clue::SerialScope)
        key += "\nserial " + id.serialNo;
    return key;
}

bool setIntOption(int fd, int level, int name, int value)
{
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

// Multicast leaves by this interface only, one hop, and is heard on this host.
bool setMulticastInterface(int fd, unsigned int ifindex, const asio::ip::address_v4& source)
{
    ip_mreqn request{};
    request.imr_ifindex = static_cast<int>(ifindex);
    request.imr_address.s_addr = htonl(source.to_uint());
    return ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &request, sizeof request) == 0 &&
           setIntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL, 1) &&
           setIntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP, 1);
}

} // namespace

DiscoveryClient::DiscoveryClient(asio::io_context& io, DiscoveryClientOptions options)
    : m_options(std::move(options)), m_strand(asio::make_strand(io)), m_socket(m_strand),
      m_probeTimer(m_strand), m_scanTimer(m_strand),
      m_group(asio::ip::make_address_v4(kDiscoveryGroupAddress), m_options.port),
      m_receiveBuffer(kMaxDatagramBytes)
{
}

bool DiscoveryClient::open()
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        return true;
    asio::error_code error;
    m_socket.open(udp::v4(), error);
    if (!error) {
        requestReceiveBuffer(m_socket.native_handle(), kReceiveBufferBytes,
                             "vexlo onvif discovery");
        const bool configured =
            m_options.loopbackOnly ? configureLoopback(error) : configureLan(error);
        if (!configured && !error)
            error = asio::error::invalid_argument;
    }
    if (error) {
        m_problem = "the discovery socket could not be opened: " + error.message();
        asio::error_code ignored;
        m_socket.close(ignored);
        return false;
    }
    m_open = true;
    m_problem.clear();
    asio::post(m_strand, [self = shared_from_this()] { self->receiveNext(); });
    return true;
}

bool DiscoveryClient::configureLoopback(asio::error_code& error)
{
    const auto loopback = asio::ip::address_v4::loopback();
    // Bound to loopback, the socket cannot reach or hear any other network.
    m_socket.bind(udp::endpoint(loopback, 0), error);
    if (error)
        return false;
    const unsigned int lo = ::if_nametoindex("lo");
    return lo != 0 && setMulticastInterface(m_socket.native_handle(), lo, loopback);
}

bool DiscoveryClient::configureLan(asio::error_code& error)
{
    // Never a multicast on whatever interface the routing table picks.
    const std::string& name = m_options.lanInterface;
    const unsigned int index = name.empty() ? 0 : ::if_nametoindex(name.c_str());
    if (index == 0)
        return false;
    const int fd = m_socket.native_handle();
    if (::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(),
                     static_cast<socklen_t>(name.size())) != 0)
        return false;
    if (!setMulticastInterface(fd, index, asio::ip::address_v4::any()))
        return false;
    m_socket.bind(udp::endpoint(asio::ip::address_v4::any(), 0), error);
    return !error;
}

void DiscoveryClient::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_running = false;
    }
    asio::post(m_strand, [self = shared_from_this()] {
        asio::error_code ignored;
        self->m_probeTimer.cancel();
        self->m_scanTimer.cancel();
        self->m_socket.close(ignored);
    });
}

DiscoveryClient::Target DiscoveryClient::roundTarget() const
{
    // In loopback mode a host that routes the group elsewhere (any machine
    // outside the tests' namespace) would carry the probes off loopback: they
    // go to 127.0.0.1 by unicast instead, where a simulated site answers.
    if (m_options.loopbackOnly && !loopbackMulticastProblem(kDiscoveryGroupAddress).empty())
        return {udp::endpoint(asio::ip::address_v4::loopback(), m_options.port), false};
    return {m_group, true};
}

bool DiscoveryClient::start()
{
    std::uint32_t searchId = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_open) {
            m_problem = "the discovery socket is not open";
            return false;
        }
        m_results.clear();
        m_indexByKey.clear();
        m_probeIds.clear();
        m_probeIdSet.clear();
        m_problem.clear();
        ++m_searchId;
        searchId = m_searchId;
        m_running = true;
    }
    std::shared_ptr<ScanSchedule> scan;
    if (m_options.scanTargets)
        scan =
            std::make_shared<ScanSchedule>(m_options.scanTargets->addresses(), probeTypes().size());
    asio::post(m_strand, [self = shared_from_this(), searchId, scan] {
        const Target target = self->roundTarget();
        self->sendRound(searchId, target.endpoint, target.multicast);
        self->armProbeTimer(searchId);
        if (scan && !scan->empty())
            self->sendScanBurst(searchId, scan);
    });
    return true;
}

void DiscoveryClient::sendScanBurst(std::uint32_t searchId, std::shared_ptr<ScanSchedule> schedule)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_searchId != searchId)
            return;
    }
    for (const std::uint32_t address : schedule->nextBurst()) {
        std::string refusal;
        if (const auto to = probeTarget(formatIpv4Address(address), refusal))
            sendRound(searchId, udp::endpoint(*to, m_options.port), false);
        else
            setProblem(std::move(refusal));
    }
    m_scanTimer.expires_after(schedule->pauseAfterBurst());
    m_scanTimer.async_wait(
        [self = shared_from_this(), searchId, schedule](const asio::error_code& e) {
            if (!e)
                self->sendScanBurst(searchId, schedule);
        });
}

void DiscoveryClient::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
    }
    asio::post(m_strand, [self = shared_from_this()] {
        self->m_probeTimer.cancel();
        self->m_scanTimer.cancel();
    });
}

bool DiscoveryClient::running() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

std::optional<asio::ip::address_v4> DiscoveryClient::probeTarget(const std::string& ipAddress,
                                                                 std::string& refusal) const
{
    asio::error_code bad;
    const auto address = asio::ip::make_address_v4(ipAddress, bad);
    // Multicast, broadcast and the unspecified address would reach more than
    // the one device asked for.
    if (bad || address.is_multicast() || address.is_unspecified() ||
        address == asio::ip::address_v4::broadcast() ||
        (m_options.loopbackOnly && !isLoopback(address))) {
        refusal = "not an address a probe may go to: " + ipAddress.substr(0, 64);
        return std::nullopt;
    }
    return address;
}

bool DiscoveryClient::probeAddress(const std::string& ipAddress)
{
    std::string refusal;
    const auto target = probeTarget(ipAddress, refusal);
    if (!target) {
        setProblem(std::move(refusal));
        return false;
    }
    const asio::ip::address_v4 address = *target;
    std::uint32_t searchId = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return false;
        searchId = m_searchId;
    }
    asio::post(m_strand,
               [self = shared_from_this(), searchId, to = udp::endpoint(address, m_options.port)] {
                   self->sendRound(searchId, to, false);
               });
    return true;
}

int DiscoveryClient::count() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_results.size());
}

std::optional<DiscoveredDevice> DiscoveryClient::result(int index) const
{
    std::lock_guard lock(m_mutex);
    if (index < 0 || static_cast<std::size_t>(index) >= m_results.size())
        return std::nullopt;
    return m_results[static_cast<std::size_t>(index)];
}

std::string DiscoveryClient::problem() const
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}

void DiscoveryClient::setProblem(std::string text)
{
    std::lock_guard lock(m_mutex);
    m_problem = std::move(text);
}

void DiscoveryClient::armProbeTimer(std::uint32_t searchId)
{
    m_probeTimer.expires_after(scaledDuration(kProbeRepeatMs));
    m_probeTimer.async_wait([self = shared_from_this(), searchId](const asio::error_code& e) {
        if (e)
            return;
        {
            std::lock_guard lock(self->m_mutex);
            if (!self->m_running || self->m_searchId != searchId)
                return;
        }
        const Target target = self->roundTarget();
        self->sendRound(searchId, target.endpoint, target.multicast);
        self->armProbeTimer(searchId);
    });
}

void DiscoveryClient::sendRound(std::uint32_t searchId, const udp::endpoint& to, bool multicast)
{
    if (!m_socket.is_open())
        return;
    if (multicast && m_options.loopbackOnly) {
        // The route may have changed since the search started.
        if (std::string routeProblem = loopbackMulticastProblem(kDiscoveryGroupAddress);
            !routeProblem.empty()) {
            setProblem(std::move(routeProblem));
            return;
        }
    }
    std::vector<std::shared_ptr<const std::string>> datagrams;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_searchId != searchId)
            return;
        for (const QualifiedName& type : probeTypes()) {
            // A fresh MessageID every time: devices drop a message whose ID
            // they have already seen, taking it for a copy of the same one.
            std::optional<std::string> messageId = makeUuidUrn();
            if (!messageId)
                continue;
            datagrams.push_back(
                std::make_shared<const std::string>(buildProbe({*messageId, {type}, {}})));
            m_probeIdSet.insert(*messageId);
            m_probeIds.push_back(std::move(*messageId));
            if (m_probeIds.size() > kRememberedProbes) {
                m_probeIdSet.erase(m_probeIds.front());
                m_probeIds.pop_front();
            }
        }
    }
    for (const auto& bytes : datagrams) {
        m_socket.async_send_to(asio::buffer(*bytes), to,
                               [bytes](const asio::error_code&, std::size_t) {
                                   // A lost probe is repeated by the next round.
                               });
    }
}

void DiscoveryClient::receiveNext()
{
    if (!m_socket.is_open())
        return;
    m_socket.async_receive_from(
        asio::buffer(m_receiveBuffer), m_sender,
        [self = shared_from_this()](const asio::error_code& e, std::size_t bytes) {
            if (e == asio::error::operation_aborted || !self->m_socket.is_open())
                return;
            if (!e)
                self->onDatagram({self->m_receiveBuffer.data(), bytes}, self->m_sender);
            self->receiveNext();
        });
}

void DiscoveryClient::onDatagram(std::string_view bytes, const udp::endpoint& sender)
{
    if (m_options.loopbackOnly && !isLoopback(sender.address()))
        return;
    // Our own probes come back by the multicast loop and are no ProbeMatches.
    const std::optional<ProbeMatches> answer = parseProbeMatches(bytes);
    if (!answer)
        return;
    const std::string from = sender.address().to_string();
    std::vector<DiscoveredDevice> devices;
    for (const DiscoveryTarget& target : answer->matches)
        devices.push_back(describeDevice(target, from, m_options.loopbackOnly));

    std::lock_guard lock(m_mutex);
    if (!m_running || !m_probeIdSet.contains(answer->relatesTo))
        return; // an answer to an earlier search, to someone else, or after the stop
    for (DiscoveredDevice& device : devices) {
        const std::string key = listKey(device);
        if (key.empty())
            continue; // nothing to tell it by, and nowhere to reach it
        if (const auto known = m_indexByKey.find(key); known != m_indexByKey.end()) {
            // Seen before: what it says now (a new address, say) replaces what
            // it said, in the same place in the list.
            m_results[known->second] = std::move(device);
        } else if (m_results.size() < kMaxDevices) {
            m_indexByKey.emplace(key, m_results.size());
            m_results.push_back(std::move(device));
        }
    }
}

} // namespace vexlo::onvif
