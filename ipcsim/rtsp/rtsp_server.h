#pragma once

#include "ipcsim/rtsp/server_settings.h"

#include <asio.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One simulated camera's RTSP server, on the camera's address. Many servers
// share one io_context run by several threads; each connection keeps to its
// own strand. The methods may be called from any thread.
namespace vexlo::ipcsim::rtsp {

class RtspServer
{
public:
    RtspServer(asio::io_context& io, ServerSettings settings);
    ~RtspServer();
    RtspServer(const RtspServer&) = delete;
    RtspServer& operator=(const RtspServer&) = delete;

    // Listens on `address` (a loopback address: the simulator never serves
    // anything else) and `port` (0 picks a free one). A server that is open
    // is closed first, so a camera that changes its address simply opens
    // again. Throws std::system_error when the address is refused or taken.
    void open(const std::string& address, std::uint16_t port = kDefaultRtspPort);
    // Stops listening and ends every connection, as a camera that goes down
    // does. The port is free again when this returns.
    void close();

    bool isOpen() const;
    std::uint16_t port() const; // 0 when closed
    // "rtsp://address:port/stream", for a stream of the settings.
    std::string streamUri(std::string_view stream) const;
    // Connections that have not ended yet.
    std::size_t connectionCount() const;

private:
    class Listener;
    std::shared_ptr<Listener> m_listener;
};

} // namespace vexlo::ipcsim::rtsp
