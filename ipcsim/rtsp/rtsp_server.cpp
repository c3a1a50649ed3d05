#include "ipcsim/rtsp/rtsp_server.h"

#include "ipcsim/rtsp/rtsp_connection.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <vector>

namespace vexlo::ipcsim::rtsp {

namespace {

// After an accept error other than a close (out of file descriptors), wait a
// little rather than spin on the same error.
constexpr std::chrono::milliseconds kAcceptRetry{100};

} // namespace

// The state the accept handlers share with the server. Handlers hold it by
// shared_ptr, so a server destroyed while an accept is pending leaves them
// something valid to look at. The mutex orders the server's calls (from any
// thread) against the handlers.
class RtspServer::Listener : public std::enable_shared_from_this<Listener>
{
public:
    Listener(asio::io_context& io, ServerSettings settings)
        : m_io(io), m_settings(std::make_shared<const ServerSettings>(std::move(settings))),
          m_acceptor(io), m_retry(io)
    {
    }

    void open(const std::string& address, std::uint16_t port);
    void close();
    bool isOpen() const;
    std::uint16_t port() const;
    std::string streamUri(std::string_view stream) const;
    std::size_t connectionCount() const;

private:
    void acceptNext(std::uint64_t generation);
    void onAccept(std::uint64_t generation, const asio::error_code& error,
                  asio::ip::tcp::socket socket);
    void closeLocked();
    void pruneLocked();

    asio::io_context& m_io;
    std::shared_ptr<const ServerSettings> m_settings;
    mutable std::mutex m_mutex;
    asio::ip::tcp::acceptor m_acceptor;
    asio::steady_timer m_retry;
    asio::ip::tcp::endpoint m_endpoint;
    // Raised by every open and close, so a handler of an earlier listening
    // socket knows it is stale.
    std::uint64_t m_generation = 0;
    std::vector<std::weak_ptr<RtspConnection>> m_connections;
};

void RtspServer::Listener::open(const std::string& address, std::uint16_t port)
{
    std::lock_guard lock(m_mutex);
    closeLocked();
    asio::error_code error;
    const auto ip = asio::ip::make_address(address, error);
    if (error) {
        throw std::system_error(error, "RTSP server address " + address);
    }
    if (!ip.is_loopback()) {
        throw std::system_error(std::make_error_code(std::errc::address_not_available),
                                "RTSP server refuses non-loopback address " + address);
    }
    const asio::ip::tcp::endpoint endpoint(ip, port);
    try {
        m_acceptor.open(endpoint.protocol());
        // A camera that reboots listens again at once, though its old
        // connections may still linger in TIME_WAIT.
        m_acceptor.set_option(asio::socket_base::reuse_address(true));
        m_acceptor.bind(endpoint);
        m_acceptor.listen();
        m_endpoint = m_acceptor.local_endpoint();
    } catch (const std::system_error&) {
        asio::error_code ignored;
        m_acceptor.close(ignored);
        throw;
    }
    acceptNext(++m_generation);
}

void RtspServer::Listener::close()
{
    std::lock_guard lock(m_mutex);
    closeLocked();
}

void RtspServer::Listener::closeLocked()
{
    ++m_generation;
    asio::error_code ignored;
    m_acceptor.close(ignored);
    m_retry.cancel();
    m_endpoint = {};
    for (const auto& weak : m_connections) {
        if (const auto connection = weak.lock()) {
            connection->stop();
        }
    }
    m_connections.clear();
}

bool RtspServer::Listener::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_acceptor.is_open();
}

std::uint16_t RtspServer::Listener::port() const
{
    std::lock_guard lock(m_mutex);
    return m_acceptor.is_open() ? m_endpoint.port() : 0;
}

std::string RtspServer::Listener::streamUri(std::string_view stream) const
{
    std::lock_guard lock(m_mutex);
    const auto address = m_endpoint.address().to_string();
    const auto host = m_endpoint.address().is_v6() ? "[" + address + "]" : address;
    return "rtsp://" + host + ":" + std::to_string(m_endpoint.port()) + "/" + std::string(stream);
}

std::size_t RtspServer::Listener::connectionCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_connections.begin(), m_connections.end(),
                      [](const auto& weak) { return !weak.expired(); }));
}

void RtspServer::Listener::acceptNext(std::uint64_t generation)
{
    // Every connection gets a strand of its own as its socket's executor.
    m_acceptor.async_accept(asio::make_strand(m_io),
                            [self = shared_from_this(), generation](const asio::error_code& error,
                                                                    asio::ip::tcp::socket socket) {
                                self->onAccept(generation, error, std::move(socket));
                            });
}

void RtspServer::Listener::onAccept(std::uint64_t generation, const asio::error_code& error,
                                    asio::ip::tcp::socket socket)
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation || !m_acceptor.is_open()) {
        return; // closed or reopened meanwhile; the socket closes with this scope
    }
    if (error) {
        if (error == asio::error::operation_aborted) {
            return;
        }
        m_retry.expires_after(kAcceptRetry);
        m_retry.async_wait([self = shared_from_this(), generation](const asio::error_code& waited) {
            if (waited) {
                return;
            }
            std::lock_guard relock(self->m_mutex);
            if (generation == self->m_generation && self->m_acceptor.is_open()) {
                self->acceptNext(generation);
            }
        });
        return;
    }
    pruneLocked();
    if (m_connections.size() < m_settings->maxConnections) {
        auto connection = std::make_shared<RtspConnection>(std::move(socket), m_settings);
        m_connections.push_back(connection);
        connection->start();
    }
    // Beyond the limit the socket is closed unanswered, as a busy camera does.
    acceptNext(generation);
}

void RtspServer::Listener::pruneLocked()
{
    std::erase_if(m_connections, [](const auto& weak) { return weak.expired(); });
}

RtspServer::RtspServer(asio::io_context& io, ServerSettings settings)
    : m_listener(std::make_shared<Listener>(io, std::move(settings)))
{
}

RtspServer::~RtspServer()
{
    m_listener->close();
}

void RtspServer::open(const std::string& address, std::uint16_t port)
{
    m_listener->open(address, port);
}

void RtspServer::close()
{
    m_listener->close();
}

bool RtspServer::isOpen() const
{
    return m_listener->isOpen();
}

std::uint16_t RtspServer::port() const
{
    return m_listener->port();
}

std::string RtspServer::streamUri(std::string_view stream) const
{
    return m_listener->streamUri(stream);
}

std::size_t RtspServer::connectionCount() const
{
    return m_listener->connectionCount();
}

} // namespace vexlo::ipcsim::rtsp
