#pragma once

#include <asio.hpp>

#include <cstdint>
#include <string_view>
#include <system_error>

// The socket side of the site's WS-Discovery: one UDP socket in the discovery
// group on the loopback interface, which also sends every camera's answers and
// announcements with that camera's address as the sender.
namespace vexlo::ipcsim::onvif {

// Opens `socket` on the group 239.255.255.250:port (0: a free port), joined on
// the loopback interface only, with multicast sends bound to loopback, TTL 1
// and loop on. Throws std::system_error when any step fails (the socket is
// closed again then).
void openLoopbackGroupSocket(asio::ip::udp::socket& socket, std::uint16_t port);

// Sends one datagram from `socket` to `destination` with `source` as the
// sender address (any 127.x address is local, so none needs a socket of its
// own); the sender port is the socket's. Never blocks: a full send queue
// reports asio::error::would_block.
std::error_code sendFrom(asio::ip::udp::socket& socket, const asio::ip::address_v4& source,
                         const asio::ip::udp::endpoint& destination, std::string_view bytes);

} // namespace vexlo::ipcsim::onvif
