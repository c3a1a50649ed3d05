#include "ipcsim/onvif/http_server.h"

#include "ipcsim/onvif/http_connection.h"

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <system_error>

namespace vexlo::ipcsim::onvif {

using asio::ip::tcp;

namespace {

// After an accept error other than a close (out of file descriptors, say),
// the next try waits a little, so the listener does not spin on the error.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);

} // namespace

// What the listener's handlers share with the server. They hold it, not the
// server, so one that runs after the server is gone finds it intact.
struct HttpServer::Core : std::enable_shared_from_this<HttpServer::Core>
{
    Core(asio::io_context& context, Handler h, HttpServerOptions o)
        : io(context), handler(std::make_shared<const Handler>(std::move(h))), options(o)
    {
    }

    // The rest run with `mutex` held.
    void acceptNext(const std::shared_ptr<tcp::acceptor>& listener);
    void onAccept(const std::shared_ptr<tcp::acceptor>& listener, asio::error_code error,
                  tcp::socket socket);
    void admit(tcp::socket socket);
    void retryLater(const std::shared_ptr<tcp::acceptor>& listener);

    asio::io_context& io;
    const std::shared_ptr<const Handler> handler;
    const HttpServerOptions options;
    const std::shared_ptr<HttpConnectionSet> connections = std::make_shared<HttpConnectionSet>();

    // Guards the members below and every call on the acceptor, which open()
    // and close() make from the caller's thread.
    mutable std::mutex mutex;
    std::shared_ptr<tcp::acceptor> acceptor; // null while closed
    std::shared_ptr<std::atomic<bool>> serving;
    tcp::endpoint endpoint;
};

void HttpServer::Core::acceptNext(const std::shared_ptr<tcp::acceptor>& listener)
{
    // Every connection gets a strand of its own.
    listener->async_accept(asio::make_strand(io), [self = shared_from_this(), listener](
                                                      asio::error_code error, tcp::socket socket) {
        std::lock_guard lock(self->mutex);
        self->onAccept(listener, error, std::move(socket));
    });
}

void HttpServer::Core::onAccept(const std::shared_ptr<tcp::acceptor>& listener,
                                asio::error_code error, tcp::socket socket)
{
    if (listener != acceptor || error == asio::error::operation_aborted) {
        return; // closed; maybe listening elsewhere by now
    }
    if (error) {
        retryLater(listener);
        return;
    }
    admit(std::move(socket));
    acceptNext(listener);
}

void HttpServer::Core::admit(tcp::socket socket)
{
    auto connection = std::make_shared<HttpConnection>(
        HttpConnectionContext{io, handler, serving, connections, options}, std::move(socket));
    if (!connections->tryAdd(connection, options.maxConnections)) {
        return; // over the cap: the socket closes with `connection`
    }
    connection->begin();
}

void HttpServer::Core::retryLater(const std::shared_ptr<tcp::acceptor>& listener)
{
    auto timer = std::make_shared<asio::steady_timer>(listener->get_executor(), kAcceptRetry);
    timer->async_wait([self = shared_from_this(), listener, timer](asio::error_code) {
        std::lock_guard lock(self->mutex);
        if (listener == self->acceptor) {
            self->acceptNext(listener);
        }
    });
}

HttpServer::HttpServer(asio::io_context& io, Handler handler, HttpServerOptions options)
    : m_core(std::make_shared<Core>(io, std::move(handler), options))
{
}

HttpServer::~HttpServer()
{
    close();
}

void HttpServer::open(const asio::ip::address_v4& address, std::uint16_t port)
{
    const tcp::endpoint wanted(address, port);
    const std::string where = address.to_string() + ":" + std::to_string(port);
    if (!address.is_loopback()) {
        // The simulator never listens off 127.0.0.0/8.
        throw std::system_error(std::make_error_code(std::errc::address_not_available),
                                "HTTP server: " + where + " is not a loopback address");
    }
    std::lock_guard lock(m_core->mutex);
    if (m_core->acceptor) {
        throw std::logic_error("HTTP server: already open");
    }
    auto listener = std::make_shared<tcp::acceptor>(asio::make_strand(m_core->io));
    asio::error_code error;
    listener->open(wanted.protocol(), error);
    if (!error) {
        // A camera that comes back after a reboot rebinds at once, even with
        // its old connections still in TIME_WAIT.
        listener->set_option(tcp::acceptor::reuse_address(true), error);
    }
    if (!error) {
        listener->bind(wanted, error);
    }
    if (!error) {
        listener->listen(asio::socket_base::max_listen_connections, error);
    }
    tcp::endpoint bound;
    if (!error) {
        bound = listener->local_endpoint(error);
    }
    if (error) {
        throw std::system_error(error, "HTTP server cannot listen on " + where);
    }
    m_core->acceptor = std::move(listener);
    m_core->serving = std::make_shared<std::atomic<bool>>(true);
    m_core->endpoint = bound;
    m_core->acceptNext(m_core->acceptor);
}

void HttpServer::open(const std::string& address, std::uint16_t port)
{
    open(asio::ip::make_address_v4(address), port);
}

void HttpServer::close()
{
    {
        std::lock_guard lock(m_core->mutex);
        if (m_core->serving) {
            m_core->serving->store(false);
        }
        if (m_core->acceptor) {
            asio::error_code ignored;
            m_core->acceptor->close(ignored);
            m_core->acceptor.reset();
        }
        m_core->endpoint = {};
    }
    m_core->connections->stopAll();
}

void HttpServer::stopListening()
{
    std::lock_guard lock(m_core->mutex);
    if (m_core->acceptor) {
        asio::error_code ignored;
        m_core->acceptor->close(ignored);
        m_core->acceptor.reset();
    }
}

bool HttpServer::isOpen() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->acceptor != nullptr;
}

std::uint16_t HttpServer::port() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->acceptor ? m_core->endpoint.port() : 0;
}

asio::ip::tcp::endpoint HttpServer::endpoint() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->endpoint;
}

std::size_t HttpServer::connectionCount() const
{
    return m_core->connections->size();
}

} // namespace vexlo::ipcsim::onvif
