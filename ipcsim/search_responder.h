#pragma once

#include <asio.hpp>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// The site's search endpoint, 127.0.0.1:<search port>: takes probes and
// modify-IP requests and hands them to the cameras, each of which answers from
// its own address. Undecodable datagrams are dropped without an answer.
namespace vexlo::ipcsim {

class Camera;

class SearchResponder
{
public:
    SearchResponder(asio::io_context& io, std::vector<Camera*> cameras);

    // Binds 127.0.0.1:port (0: a free port). Throws std::system_error.
    void open(std::uint16_t port);
    void close();
    std::uint16_t port() const { return m_port; }

private:
    void receiveNext();
    void dispatch(std::size_t size);

    asio::strand<asio::io_context::executor_type> m_strand;
    asio::ip::udp::socket m_socket;
    std::vector<Camera*> m_cameras;
    std::array<std::uint8_t, 2048> m_buffer{};
    asio::ip::udp::endpoint m_sender;
    std::uint16_t m_port = 0;
};

} // namespace vexlo::ipcsim
