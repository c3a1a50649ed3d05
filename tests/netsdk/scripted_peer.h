#pragma once

#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/search_datagrams.h"

#include <asio.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Small hand-driven peers for the cases a well-behaved simulator never
// produces: garbage on a session, replies in a chosen order, stale search ids.
// Blocking sockets with receive timeouts, one thread each, loopback only.
namespace vexlo::netsdk::test {

// A camera that accepts one session on 127.0.0.1 and runs a script on it.
class ScriptedCamera
{
public:
    struct Link
    {
        asio::ip::tcp::socket& socket;
        protocol::FrameReader reader;
        std::uint32_t sequence = 0;

        // The next whole frame, or nothing on timeout, close or a bad stream.
        std::optional<protocol::Frame> readFrame();
        std::optional<protocol::Message> readMessage();
        void send(const protocol::Message& message);
        void sendRaw(const std::vector<std::uint8_t>& bytes);
        // Runs the camera side of the login; true when the client proved `password`.
        bool acceptLogin(const std::string& password);
    };
    using Script = std::function<void(Link&)>;

    explicit ScriptedCamera(Script script);
    ~ScriptedCamera();
    ScriptedCamera(const ScriptedCamera&) = delete;
    ScriptedCamera& operator=(const ScriptedCamera&) = delete;

    std::uint16_t port() const { return m_port; }
    // Waits for the script to end.
    void join();

private:
    asio::io_context m_io;
    asio::ip::tcp::acceptor m_acceptor;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

// The search endpoint, answered by hand.
class ScriptedSearchEndpoint
{
public:
    ScriptedSearchEndpoint();
    std::uint16_t port() const { return m_port; }

    // The next datagram and where it came from; nothing on timeout.
    std::optional<std::pair<std::vector<std::uint8_t>, asio::ip::udp::endpoint>> receive();
    // Sends a datagram to `client` from a socket bound to `sourceAddress`.
    void sendFrom(const std::string& sourceAddress, const std::vector<std::uint8_t>& datagram,
                  const asio::ip::udp::endpoint& client);

private:
    asio::io_context m_io;
    asio::ip::udp::socket m_socket;
    std::uint16_t m_port = 0;
};

// Sets a receive timeout on a native socket so a blocking test peer cannot hang.
void setReceiveTimeout(int nativeHandle, std::chrono::milliseconds timeout);

} // namespace vexlo::netsdk::test
