#include "ipcsim/onvif/discovery_socket.h"

#include "onvif/discovery_messages.h"
#include "platform/receive_buffer.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vexlo::ipcsim::onvif {

using asio::ip::udp;

namespace {

// Probes come one at a time, but the socket also hears every Hello and Bye the
// site itself sends, which arrive together when many cameras start at once.
constexpr int kReceiveBufferBytes = 1 << 20;

void setOption(int fd, int level, int name, const void* value, socklen_t size)
{
    if (::setsockopt(fd, level, name, value, size) != 0) {
        throw std::system_error(errno, std::generic_category(), "setsockopt");
    }
}

void setIntOption(int fd, int level, int name, int value)
{
    setOption(fd, level, name, &value, sizeof value);
}

void setReuseAddress(int fd)
{
    setIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
}

} // namespace

void openLoopbackGroupSocket(udp::socket& socket, std::uint16_t port)
{
    const auto group = asio::ip::make_address_v4(vexlo::onvif::kDiscoveryGroupAddress);
    const auto loopback = asio::ip::address_v4::loopback();
    socket.open(udp::v4());
    try {
        const int fd = socket.native_handle();
        requestReceiveBuffer(fd, kReceiveBufferBytes, "vexlo-ipcsim discovery");
        // Bound to the group address, not the wildcard, so unicast datagrams to
        // the port never reach it; membership of this socket alone counts, so
        // the host's other memberships on other interfaces let nothing in.
        setIntOption(fd, IPPROTO_IP, IP_MULTICAST_ALL, 0);
        if (port != 0) {
            // Other listeners on the well-known port (a client on the same host)
            // must be able to share it.
            setReuseAddress(fd);
        }
        socket.bind(udp::endpoint(group, port));
        if (port == 0) {
            // Set only after the bind: two sockets that both allow reuse may be
            // given the same free port, and two responders would then answer
            // each other's probes. A listener may still join this port.
            setReuseAddress(fd);
        }

        ip_mreq membership{};
        membership.imr_multiaddr.s_addr = htonl(group.to_uint());
        membership.imr_interface.s_addr = htonl(loopback.to_uint());
        setOption(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);

        // Announcements leave by loopback whatever the routing table says,
        // never travel past one hop, and reach listeners on this host.
        in_addr sendInterface{};
        sendInterface.s_addr = htonl(loopback.to_uint());
        setOption(fd, IPPROTO_IP, IP_MULTICAST_IF, &sendInterface, sizeof sendInterface);
        setIntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL, 1);
        setIntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP, 1);
    } catch (...) {
        asio::error_code ignored;
        socket.close(ignored);
        throw;
    }
}

std::error_code sendFrom(udp::socket& socket, const asio::ip::address_v4& source,
                         const udp::endpoint& destination, std::string_view bytes)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(destination.port());
    to.sin_addr.s_addr = htonl(destination.address().to_v4().to_uint());

    iovec data{const_cast<char*>(bytes.data()), bytes.size()};

    // IP_PKTINFO's ipi_spec_dst picks the sender address of this one datagram.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(source.to_uint());
    std::memcpy(CMSG_DATA(header), &info, sizeof info);

    if (::sendmsg(socket.native_handle(), &message, MSG_DONTWAIT | MSG_NOSIGNAL) < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return asio::error::would_block;
        }
        return {errno, std::generic_category()};
    }
    return {};
}

} // namespace vexlo::ipcsim::onvif
