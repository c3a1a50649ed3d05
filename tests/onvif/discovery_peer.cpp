#include "discovery_peer.h"

#include "tests/support/wait.h"

#include "onvif/discovery_client.h"

#include <arpa/inet.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vexlo::onvif::test {

namespace {

sockaddr_in endpoint(const std::string& address, std::uint16_t port)
{
    sockaddr_in out{};
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &out.sin_addr) != 1)
        throw std::invalid_argument(address);
    return out;
}

int boundSocket(const sockaddr_in& at, bool shareAfterBind)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    const timeval wait{vexlo::test::kDeadline.count(), 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    // On a free port, sharing is allowed only after the bind, so that no other
    // socket that allows it can be handed the same port by chance.
    if (!shareAfterBind)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0)
        throw std::runtime_error("bind");
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    return fd;
}

} // namespace

DiscoveryPeer::DiscoveryPeer(bool joinGroup, const std::string& listenAddress, std::uint16_t port,
                             const std::string& replyAddress)
{
    m_listener =
        boundSocket(endpoint(joinGroup ? kDiscoveryGroupAddress : listenAddress, port), port == 0);
    if (joinGroup) {
        const int off = 0;
        ::setsockopt(m_listener, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off);
        ip_mreq membership{endpoint(kDiscoveryGroupAddress, 0).sin_addr,
                           endpoint("127.0.0.1", 0).sin_addr};
        ::setsockopt(m_listener, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);
    }
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length);
    m_port = ntohs(bound.sin_port);
    m_replier = boundSocket(endpoint(replyAddress, 0), true);
}

DiscoveryPeer::~DiscoveryPeer()
{
    ::close(m_listener);
    ::close(m_replier);
}

std::optional<HeardProbe> DiscoveryPeer::nextProbe()
{
    std::string buffer(65536, '\0');
    for (;;) {
        HeardProbe heard;
        socklen_t length = sizeof heard.from;
        const ssize_t size = ::recvfrom(m_listener, buffer.data(), buffer.size(), 0,
                                        reinterpret_cast<sockaddr*>(&heard.from), &length);
        if (size < 0)
            return std::nullopt; // the deadline passed
        if (auto probe = parseProbe(std::string_view(buffer).substr(0, size))) {
            heard.probe = std::move(*probe);
            return heard;
        }
    }
}

void DiscoveryPeer::send(const sockaddr_in& to, std::string_view bytes)
{
    ::sendto(m_replier, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
}

} // namespace vexlo::onvif::test
