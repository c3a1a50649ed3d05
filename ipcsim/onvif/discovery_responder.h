#pragma once

#include "onvif/discovery_messages.h"

#include <asio.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// WS-Discovery for a whole simulated site: one socket joined to the discovery
// group on the loopback interface, and one at 127.0.0.1 on the same port for
// clients whose host routes multicast elsewhere; every ONVIF camera that is up answers a
// matching Probe (types and scopes) with a ProbeMatch sent from its own
// address, after a short random delay so that a site of hundreds of cameras
// does not answer in one burst. Only probes from 127.0.0.0/8 are answered, and
// always to the address they came from.
namespace vexlo::ipcsim::onvif {

struct DiscoveryEntry
{
    std::string address; // the camera's own 127.x.y.z address
    vexlo::onvif::DiscoveryTarget target;
    // Answers only probes sent to its own address, never the group's.
    bool ignoreBroadcast = false;
};

struct DiscoveryOptions
{
    // Off: answers and Hellos leave at once, in the order they were made
    // (tests that check an order or an absence).
    bool spreadAnswers = true;
};

class DiscoveryResponder
{
public:
    // The ONVIF cameras that are up at this moment; called from the
    // responder's strand, must be safe from any thread.
    using Entries = std::function<std::vector<DiscoveryEntry>()>;

    DiscoveryResponder(asio::io_context& io, Entries entries, DiscoveryOptions options = {});
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    // Joins the group on loopback (port 0: a free port, for tests). Throws
    // std::system_error when it cannot. Call it once, before the I/O threads
    // run anything of this responder.
    void open(std::uint16_t port = vexlo::onvif::kDiscoveryGroupPort);
    // Stops answering; what is still waiting to be sent is dropped. Any
    // thread; the destructor calls it.
    void close();
    // The group port taken by open(); any thread.
    std::uint16_t port() const;

    // Announcements to the group, sent from the camera's own address: Hello
    // when a camera comes up (also after a reboot), Bye when it goes down.
    // Between the two the camera also takes probes sent to its own address
    // at the discovery port, and answers those for itself alone. Any thread.
    void hello(const DiscoveryEntry& camera);
    void bye(const DiscoveryEntry& camera);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace vexlo::ipcsim::onvif
