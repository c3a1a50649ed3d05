#include "ipcsim/onvif/discovery_responder.h"

#include "ipcsim/onvif/discovery_scopes.h"
#include "ipcsim/onvif/discovery_socket.h"
#include "onvif/encoding.h"
#include "platform/tick.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <mutex>
#include <random>

namespace vexlo::ipcsim::onvif {

using asio::ip::udp;
using Clock = std::chrono::steady_clock;
namespace wsd = vexlo::onvif;

namespace {

// A camera waits a random time (in simulated time) before it answers a
// multicast probe or says Hello, as real cameras do.
constexpr std::uint32_t kCameraDelayMs = 50;
// The prober reads in real time, though, and a slow one (a script client
// parsing each answer) takes a few hundred a second: a whole site's answers
// are spread over at least this much real time per answer, in random order,
// each camera in a slot of its own, so that they never bunch up. The spread
// stays within the standard's 500 ms upper bound on the delay.
constexpr auto kSpacingPerAnswer = std::chrono::microseconds(2000);
constexpr auto kMaxWindow = std::chrono::milliseconds(500);

// Larger datagrams are no probe of any client we know and are not parsed.
constexpr std::size_t kMaxProbeBytes = 32 * 1024;

// Datagrams waiting for their time; beyond this a flood of probes gets no more
// answers until the queue drains, instead of growing memory without end.
constexpr std::size_t kMaxPending = 8192;

bool isLoopbackSender(const udp::endpoint& sender)
{
    return sender.address().is_v4() && (sender.address().to_v4().to_uint() >> 24) == 127 &&
           sender.port() != 0;
}

std::uint32_t secondsSinceEpoch()
{
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

struct DiscoveryResponder::State : std::enable_shared_from_this<DiscoveryResponder::State>
{
    struct Outgoing
    {
        asio::ip::address_v4 source;
        udp::endpoint destination;
        std::string bytes;
    };

    // A camera's AppSequence: InstanceId grows each time it comes up again,
    // MessageNumber with each message it sends in between.
    struct Sequence
    {
        std::uint32_t instanceId = 0;
        std::uint32_t lastNumber = 0;
    };

    State(asio::io_context& io, Entries e, DiscoveryOptions o)
        : strand(asio::make_strand(io)), socket(strand), siteSocket(strand), timer(strand),
          entries(std::move(e)), options(o), random(std::random_device{}())
    {
    }

    // A camera's own socket for probes sent to its address.
    struct DirectSocket
    {
        explicit DirectSocket(asio::strand<asio::io_context::executor_type>& strand)
            : socket(strand), buffer(kMaxProbeBytes)
        {
        }
        udp::socket socket;
        std::vector<char> buffer;
        udp::endpoint sender;
    };

    // Everything below runs on the strand.
    void receiveNext();
    void receiveSiteNext();
    void listenAt(const std::string& address);
    void stopListening(const std::string& address);
    void receiveDirect(std::shared_ptr<DirectSocket> direct, std::string address);
    // `cameraAddress`: a probe sent to that camera alone; empty: to the group
    // (or to the site's address, which stands for it).
    void answer(std::string_view datagram, const udp::endpoint& prober,
                const std::string& cameraAddress = {});
    void announce(const DiscoveryEntry& camera, bool hello);
    void schedule(Clock::time_point due, Outgoing outgoing);
    void pump();
    wsd::AppSequence nextSequence(const std::string& endpoint);
    // Random delays for `count` answers, spread over a window of their own.
    std::vector<Clock::duration> answerDelays(std::size_t count);

    asio::strand<asio::io_context::executor_type> strand;
    udp::socket socket;
    // Probes sent to 127.0.0.1 by unicast: a client in loopback mode whose
    // host routes multicast elsewhere reaches the site here.
    udp::socket siteSocket;
    asio::steady_timer timer;
    const Entries entries;
    const DiscoveryOptions options;
    std::mt19937 random;
    std::array<char, 65536> buffer{};
    udp::endpoint sender;
    std::array<char, 65536> siteBuffer{};
    udp::endpoint siteSender;
    std::map<std::string, std::shared_ptr<DirectSocket>> direct; // by camera address
    std::multimap<Clock::time_point, Outgoing> pending;
    std::map<std::string, Sequence, std::less<>> sequences;
    bool waitingToWrite = false;
    bool timerSet = false;
    Clock::time_point timerDue;

    // Read from other threads.
    mutable std::mutex portMutex;
    std::uint16_t port = 0;
};

void DiscoveryResponder::State::receiveNext()
{
    socket.async_receive_from(
        asio::buffer(buffer), sender,
        [self = shared_from_this()](asio::error_code error, std::size_t size) {
            if (!self->socket.is_open() || error == asio::error::operation_aborted) {
                return;
            }
            if (!error && size <= kMaxProbeBytes && isLoopbackSender(self->sender)) {
                self->answer({self->buffer.data(), size}, self->sender);
            }
            self->receiveNext();
        });
}

void DiscoveryResponder::State::receiveSiteNext()
{
    siteSocket.async_receive_from(
        asio::buffer(siteBuffer), siteSender,
        [self = shared_from_this()](asio::error_code error, std::size_t size) {
            if (!self->siteSocket.is_open() || error == asio::error::operation_aborted) {
                return;
            }
            if (!error && size <= kMaxProbeBytes && isLoopbackSender(self->siteSender)) {
                self->answer({self->siteBuffer.data(), size}, self->siteSender);
            }
            self->receiveSiteNext();
        });
}

void DiscoveryResponder::State::listenAt(const std::string& address)
{
    asio::error_code error;
    const auto own = asio::ip::make_address_v4(address, error);
    // 127.0.0.1 is the site's own socket; nothing is ever bound off loopback.
    if (error || (own.to_uint() >> 24) != 127 || own == asio::ip::address_v4::loopback() ||
        !socket.is_open() || direct.contains(address)) {
        return;
    }
    auto opened = std::make_shared<DirectSocket>(strand);
    opened->socket.open(udp::v4(), error);
    if (!error) {
        // Shares the port with a client on this host that listens on it too.
        opened->socket.set_option(udp::socket::reuse_address(true), error);
        opened->socket.bind(udp::endpoint(own, port), error);
    }
    if (error) {
        return; // found by the group only
    }
    direct.emplace(address, opened);
    receiveDirect(std::move(opened), address);
}

void DiscoveryResponder::State::stopListening(const std::string& address)
{
    const auto found = direct.find(address);
    if (found == direct.end()) {
        return;
    }
    asio::error_code ignored;
    found->second->socket.close(ignored);
    direct.erase(found);
}

void DiscoveryResponder::State::receiveDirect(std::shared_ptr<DirectSocket> own,
                                              std::string address)
{
    DirectSocket& target = *own;
    target.socket.async_receive_from(
        asio::buffer(target.buffer), target.sender,
        [self = shared_from_this(), own = std::move(own),
         address = std::move(address)](asio::error_code error, std::size_t size) mutable {
            if (!own->socket.is_open() || error == asio::error::operation_aborted) {
                return;
            }
            if (!error && size <= kMaxProbeBytes && isLoopbackSender(own->sender)) {
                self->answer({own->buffer.data(), size}, own->sender, address);
            }
            self->receiveDirect(std::move(own), std::move(address));
        });
}

void DiscoveryResponder::State::answer(std::string_view datagram, const udp::endpoint& prober,
                                       const std::string& cameraAddress)
{
    // Hello, Bye and answers of the site itself come back here too; anything
    // but a Probe is dropped.
    const std::optional<wsd::Probe> probe = wsd::parseProbe(datagram);
    if (!probe) {
        return;
    }
    std::vector<DiscoveryEntry> matching = entries();
    std::erase_if(matching, [&](const DiscoveryEntry& camera) {
        const bool heard =
            cameraAddress.empty() ? !camera.ignoreBroadcast : camera.address == cameraAddress;
        return !heard || !wsd::typesMatch(camera.target.types, probe->types) ||
               !scopesMatch(camera.target.scopes, probe->scopes);
    });
    const Clock::time_point now = Clock::now();
    const std::vector<Clock::duration> delays = answerDelays(matching.size());
    for (std::size_t i = 0; i < matching.size(); ++i) {
        const DiscoveryEntry& camera = matching[i];
        asio::error_code bad;
        const auto source = asio::ip::make_address_v4(camera.address, bad);
        const std::optional<std::string> messageId = wsd::makeUuidUrn();
        if (bad || !messageId) {
            continue;
        }
        wsd::ProbeMatches matches;
        matches.messageId = *messageId;
        matches.relatesTo = probe->messageId;
        matches.sequence = nextSequence(camera.target.address);
        matches.matches.push_back(camera.target);
        // The answer goes where the probe came from, never to a ReplyTo the
        // probe names: that could point anywhere.
        schedule(now + delays[i], {source, prober, wsd::buildProbeMatches(matches)});
    }
    pump();
}

void DiscoveryResponder::State::announce(const DiscoveryEntry& camera, bool hello)
{
    asio::error_code bad;
    const auto source = asio::ip::make_address_v4(camera.address, bad);
    const std::optional<std::string> messageId = wsd::makeUuidUrn();
    if (bad || !messageId || !socket.is_open()) {
        return;
    }
    if (hello) {
        // Coming up again starts a new instance, so listeners can tell the
        // announcements of this run from stale ones of the last.
        auto [it, added] = sequences.try_emplace(camera.target.address);
        it->second.instanceId =
            added ? secondsSinceEpoch() : std::max(it->second.instanceId + 1, secondsSinceEpoch());
        it->second.lastNumber = 0;
    }
    wsd::Announcement announcement;
    announcement.messageId = *messageId;
    announcement.sequence = nextSequence(camera.target.address);
    announcement.target = camera.target;
    asio::error_code unbound;
    const udp::endpoint group(asio::ip::make_address_v4(wsd::kDiscoveryGroupAddress),
                              socket.local_endpoint(unbound).port());
    if (unbound) {
        return;
    }
    // A Hello waits like an answer, so a whole site that starts at once does
    // not announce in one burst; a Bye leaves at once, as the camera goes.
    const Clock::time_point due = hello ? Clock::now() + answerDelays(1).front() : Clock::now();
    schedule(due,
             {source, group, hello ? wsd::buildHello(announcement) : wsd::buildBye(announcement)});
    pump();
}

wsd::AppSequence DiscoveryResponder::State::nextSequence(const std::string& endpoint)
{
    auto [it, added] = sequences.try_emplace(endpoint);
    if (added) {
        it->second.instanceId = secondsSinceEpoch();
    }
    return {it->second.instanceId, ++it->second.lastNumber};
}

std::vector<Clock::duration> DiscoveryResponder::State::answerDelays(std::size_t count)
{
    std::vector<Clock::duration> delays(count, Clock::duration::zero());
    if (!options.spreadAnswers || count == 0) {
        return delays;
    }
    const Clock::duration window = std::min<Clock::duration>(
        std::max<Clock::duration>(scaledDuration(kCameraDelayMs), kSpacingPerAnswer * count),
        kMaxWindow);
    const Clock::duration slot = window / count;
    std::uniform_int_distribution<Clock::rep> withinSlot(0, slot.count());
    for (std::size_t i = 0; i < count; ++i) {
        delays[i] = slot * i + Clock::duration(withinSlot(random));
    }
    std::shuffle(delays.begin(), delays.end(), random);
    return delays;
}

void DiscoveryResponder::State::schedule(Clock::time_point due, Outgoing outgoing)
{
    if (pending.size() >= kMaxPending) {
        return;
    }
    pending.emplace(due, std::move(outgoing));
}

void DiscoveryResponder::State::pump()
{
    if (waitingToWrite || !socket.is_open()) {
        return;
    }
    while (!pending.empty() && pending.begin()->first <= Clock::now()) {
        const Outgoing& next = pending.begin()->second;
        const std::error_code error = sendFrom(socket, next.source, next.destination, next.bytes);
        if (error == asio::error::would_block) {
            waitingToWrite = true;
            socket.async_wait(udp::socket::wait_write,
                              [self = shared_from_this()](asio::error_code waitError) {
                                  self->waitingToWrite = false;
                                  if (!waitError) {
                                      self->pump();
                                  }
                              });
            return;
        }
        // Any other error concerns this datagram alone (UDP keeps no
        // connection); it is dropped like a datagram lost on the way.
        pending.erase(pending.begin());
    }
    if (pending.empty()) {
        return;
    }
    const Clock::time_point due = pending.begin()->first;
    if (timerSet && timerDue <= due) {
        return;
    }
    timerSet = true;
    timerDue = due;
    timer.expires_at(due);
    timer.async_wait([self = shared_from_this(), due](asio::error_code error) {
        if (error == asio::error::operation_aborted) {
            return; // replaced by an earlier one, or closed
        }
        if (self->timerDue == due) {
            self->timerSet = false;
        }
        self->pump();
    });
}

DiscoveryResponder::DiscoveryResponder(asio::io_context& io, Entries entries,
                                       DiscoveryOptions options)
    : m_state(std::make_shared<State>(io, std::move(entries), options))
{
}

DiscoveryResponder::~DiscoveryResponder()
{
    close();
}

void DiscoveryResponder::open(std::uint16_t port)
{
    // Before the receive starts nothing else touches the socket.
    openLoopbackGroupSocket(m_state->socket, port);
    {
        std::lock_guard lock(m_state->portMutex);
        m_state->port = m_state->socket.local_endpoint().port();
    }
    // The same port at 127.0.0.1 for unicast probes; a host where another
    // program holds it keeps the multicast way only.
    asio::error_code error;
    m_state->siteSocket.open(udp::v4(), error);
    if (!error) {
        m_state->siteSocket.set_option(udp::socket::reuse_address(true), error);
        m_state->siteSocket.bind(udp::endpoint(asio::ip::address_v4::loopback(), m_state->port),
                                 error);
    }
    if (error) {
        asio::error_code ignored;
        m_state->siteSocket.close(ignored);
    }
    asio::dispatch(m_state->strand, [state = m_state] {
        state->receiveNext();
        if (state->siteSocket.is_open()) {
            state->receiveSiteNext();
        }
    });
}

void DiscoveryResponder::close()
{
    asio::dispatch(m_state->strand, [state = m_state] {
        asio::error_code ignored;
        state->timer.cancel();
        state->timerSet = false;
        state->pending.clear();
        state->socket.close(ignored);
        state->siteSocket.close(ignored);
        for (auto& [address, own] : state->direct) {
            own->socket.close(ignored);
        }
        state->direct.clear();
    });
}

std::uint16_t DiscoveryResponder::port() const
{
    std::lock_guard lock(m_state->portMutex);
    return m_state->port;
}

void DiscoveryResponder::hello(const DiscoveryEntry& camera)
{
    asio::dispatch(m_state->strand, [state = m_state, camera] {
        state->announce(camera, true);
        state->listenAt(camera.address);
    });
}

void DiscoveryResponder::bye(const DiscoveryEntry& camera)
{
    asio::dispatch(m_state->strand, [state = m_state, camera] {
        state->announce(camera, false);
        state->stopListening(camera.address);
    });
}

} // namespace vexlo::ipcsim::onvif
