#pragma once

#include "ipcsim/onvif/http_message.h"
#include "ipcsim/onvif/http_parser.h"
#include "ipcsim/onvif/http_responder.h"

#include <asio.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The HTTP/1.1 server of one simulated camera, on the camera's own loopback
// address. Many servers (one per camera) share one I/O context run by a few
// threads; each connection does its I/O on a strand of its own, so a slow
// client or a late answer never holds up another camera.
namespace vexlo::ipcsim::onvif {

struct HttpServerOptions
{
    HttpLimits limits;
    // Scaled milliseconds (platform/tick.h) a connection may wait for its
    // next request, or for a stuck write to progress, before it is closed.
    // Time that a service takes to answer does not count.
    std::uint32_t idleTimeoutMs = 30'000;
    // More connections at once are refused (closed at once).
    std::size_t maxConnections = 64;
    // Requests of one connection waiting for their answers; beyond this the
    // connection reads nothing more until answers go out.
    std::size_t maxPipelined = 16;
    // Answer bytes waiting for a client that does not read them. From half
    // of this the connection reads no further requests; beyond it the client
    // is dropped. A write that makes no progress for the idle time drops it too.
    std::size_t maxQueuedOutput = 8 * 1024 * 1024;
};

class HttpServer
{
public:
    // Called on the connection's strand for every complete request. It may
    // answer at once or keep the responder and answer later from anywhere.
    // An exception from it answers 500.
    using Handler = std::function<void(const HttpRequest&, HttpResponder)>;

    HttpServer(asio::io_context& io, Handler handler, HttpServerOptions options = {});
    // Closes (see close()). Responders still held elsewhere stay safe to call.
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Starts listening at address:port (port 0: the system picks one). Only
    // 127.0.0.0/8 is accepted. Throws std::system_error when the address is
    // not loopback or cannot be bound, std::logic_error when already open.
    // Any thread.
    void open(const asio::ip::address_v4& address, std::uint16_t port);
    void open(const std::string& address, std::uint16_t port);
    // Stops listening and ends every connection; answers still pending are
    // dropped. When it returns the address:port is free again and no request
    // that arrives later reaches the handler. Idempotent; any thread.
    void close();
    // Stops accepting: the address:port is free again at once, for the camera
    // that takes the address next; the connections already accepted go on
    // until close(). Idempotent; any thread.
    void stopListening();

    bool isOpen() const;
    // The bound port; 0 when closed.
    std::uint16_t port() const;
    asio::ip::tcp::endpoint endpoint() const;
    std::size_t connectionCount() const;

private:
    struct Core;
    std::shared_ptr<Core> m_core;
};

} // namespace vexlo::ipcsim::onvif
