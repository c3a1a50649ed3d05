#pragma once

#include "onvif/discovery_messages.h"

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>

namespace vexlo::onvif::test {

struct HeardProbe
{
    Probe probe;
    sockaddr_in from{};
};

// A scripted WS-Discovery device on loopback: it hears probes in the group on
// lo (port 0: a free one) or on one unicast address, and sends whatever bytes
// a test writes from `replyAddress`, so odd answers go on the wire exactly.
class DiscoveryPeer
{
public:
    DiscoveryPeer(bool joinGroup, const std::string& listenAddress, std::uint16_t port,
                  const std::string& replyAddress);
    ~DiscoveryPeer();

    std::uint16_t port() const { return m_port; }
    // The next Probe heard (anything else is skipped); nothing after the deadline.
    std::optional<HeardProbe> nextProbe();
    void send(const sockaddr_in& to, std::string_view bytes);

private:
    int m_listener = -1;
    int m_replier = -1;
    std::uint16_t m_port = 0;
};

} // namespace vexlo::onvif::test
