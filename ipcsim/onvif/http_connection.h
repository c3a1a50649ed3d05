#pragma once

#include "ipcsim/onvif/http_parser.h"
#include "ipcsim/onvif/http_server.h"

#include <asio.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// One client connection of an HttpServer. Everything but begin(), answer()
// and stopSoon() runs on the connection's strand (its socket's executor).
namespace vexlo::ipcsim::onvif {

class HttpConnection;

// The connections of one server, for its cap and for close(). Any thread.
class HttpConnectionSet
{
public:
    // False when `limit` connections are open already.
    bool tryAdd(const std::shared_ptr<HttpConnection>& connection, std::size_t limit);
    void remove(const HttpConnection* connection);
    void stopAll();
    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::unordered_map<const HttpConnection*, std::weak_ptr<HttpConnection>> m_connections;
};

struct HttpConnectionContext
{
    asio::io_context& io;
    std::shared_ptr<const HttpServer::Handler> handler;
    // False once the server that accepted the connection has closed: no
    // request reaches the handler after that.
    std::shared_ptr<const std::atomic<bool>> serving;
    std::weak_ptr<HttpConnectionSet> set;
    HttpServerOptions options;
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection>
{
public:
    HttpConnection(HttpConnectionContext context, asio::ip::tcp::socket socket);

    // Starts reading; posts onto the strand.
    void begin();
    // Ends the connection soon; any thread.
    void stopSoon();
    // The answer for request `slot` (none: the service gave up on it); any thread.
    void answer(std::uint64_t slot, std::optional<HttpResponse> response);

private:
    using Clock = std::chrono::steady_clock;

    // One request waiting for its answer, in request order.
    struct Slot
    {
        std::optional<std::string> bytes; // the serialised answer, once there
        bool keepAlive = true;
        bool head = false;
    };

    void start();
    void readMore();
    void onRead(asio::error_code error, std::size_t size);
    void processInput();
    void processRequests();
    void dispatch(HttpRequest request);
    void refuse(int status);
    void offerContinue();
    void deliver(std::uint64_t slot, HttpResponse response);
    void abandon(std::uint64_t slot);
    Slot* findSlot(std::uint64_t slot);
    void flushAnswered();
    void queueOutput(std::string bytes);
    void writeNext();
    void onWritten(asio::error_code error);
    bool mustPause() const;
    void beginLinger();
    void touch();
    void waitTimer();
    void onTimer();
    void stop();
    bool contextStopped() const;

    HttpConnectionContext m_context;
    asio::ip::tcp::socket m_socket;
    const asio::any_io_executor m_strand; // the socket's: a strand of its own
    asio::steady_timer m_timer;
    Clock::time_point m_deadline;
    std::string m_peerAddress;
    std::uint16_t m_peerPort = 0;
    std::string m_localAddress;
    std::uint16_t m_localPort = 0;

    HttpRequestParser m_parser;
    std::vector<char> m_readBuffer;
    std::size_t m_readOffset = 0; // unparsed input is [m_readOffset, m_readSize)
    std::size_t m_readSize = 0;
    bool m_reading = false;
    bool m_inInput = false; // processInput() is on the stack
    bool m_continueOffered = false;

    std::deque<Slot> m_slots;
    std::uint64_t m_firstSlot = 0; // the number of m_slots.front()
    std::uint64_t m_nextSlot = 0;

    std::deque<std::string> m_output;
    std::size_t m_queuedBytes = 0;
    bool m_writing = false;

    bool m_noMoreRequests = false;   // what comes after is not read as requests
    bool m_closeAfterOutput = false; // the last answer is queued
    bool m_lingering = false;        // sending done; draining the client's bytes
    std::size_t m_discarded = 0;
    bool m_stopped = false;
};

} // namespace vexlo::ipcsim::onvif
