#include "ipcsim/onvif/http_connection.h"

#include "platform/tick.h"

#include <exception>

namespace vexlo::ipcsim::onvif {

namespace {

constexpr std::size_t kReadChunk = 128 * 1024;
// After the last answer, the client's remaining bytes are read and dropped
// for a while before closing: closing with unread input makes the kernel send
// a reset, which can destroy the answer before the client reads it (a 413 for
// a body it is still sending). Real time: this guards the network, it is not
// camera behaviour.
constexpr auto kLingerTime = std::chrono::seconds(5);
constexpr std::size_t kMaxDiscarded = 16 * 1024 * 1024;

constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

} // namespace

bool HttpConnectionSet::tryAdd(const std::shared_ptr<HttpConnection>& connection, std::size_t limit)
{
    std::lock_guard lock(m_mutex);
    if (m_connections.size() >= limit) {
        return false;
    }
    m_connections.emplace(connection.get(), connection);
    return true;
}

void HttpConnectionSet::remove(const HttpConnection* connection)
{
    std::lock_guard lock(m_mutex);
    m_connections.erase(connection);
}

void HttpConnectionSet::stopAll()
{
    std::vector<std::shared_ptr<HttpConnection>> live;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [key, weak] : m_connections) {
            if (auto connection = weak.lock()) {
                live.push_back(std::move(connection));
            }
        }
    }
    for (const auto& connection : live) {
        connection->stopSoon();
    }
}

std::size_t HttpConnectionSet::size() const
{
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

HttpConnection::HttpConnection(HttpConnectionContext context, asio::ip::tcp::socket socket)
    : m_context(std::move(context)), m_socket(std::move(socket)), m_strand(m_socket.get_executor()),
      m_timer(m_strand), m_parser(m_context.options.limits), m_readBuffer(kReadChunk)
{
}

void HttpConnection::begin()
{
    asio::post(m_strand, [self = shared_from_this()] { self->start(); });
}

void HttpConnection::stopSoon()
{
    if (!contextStopped()) {
        asio::post(m_strand, [self = shared_from_this()] { self->stop(); });
    }
}

void HttpConnection::answer(std::uint64_t slot, std::optional<HttpResponse> response)
{
    if (contextStopped()) {
        return; // nothing runs any more; the connection goes with its context
    }
    asio::post(m_strand,
               [self = shared_from_this(), slot, response = std::move(response)]() mutable {
                   if (response) {
                       self->deliver(slot, std::move(*response));
                   } else {
                       self->abandon(slot);
                   }
               });
}

bool HttpConnection::contextStopped() const
{
    return m_context.io.stopped();
}

void HttpConnection::start()
{
    if (m_stopped) {
        return;
    }
    asio::error_code error;
    m_socket.set_option(asio::ip::tcp::no_delay(true), error);
    const auto peer = m_socket.remote_endpoint(error);
    if (!error) {
        m_peerAddress = peer.address().to_string();
        m_peerPort = peer.port();
    }
    const auto local = m_socket.local_endpoint(error);
    if (!error) {
        m_localAddress = local.address().to_string();
        m_localPort = local.port();
    }
    touch();
    waitTimer();
    readMore();
}

void HttpConnection::readMore()
{
    if (m_stopped || m_reading) {
        return;
    }
    if (!m_lingering && (m_noMoreRequests || mustPause())) {
        return; // resumed once answers go out, or never when closing
    }
    m_reading = true;
    m_socket.async_read_some(asio::buffer(m_readBuffer),
                             [self = shared_from_this()](asio::error_code error, std::size_t size) {
                                 self->onRead(error, size);
                             });
}

void HttpConnection::onRead(asio::error_code error, std::size_t size)
{
    m_reading = false;
    if (m_stopped) {
        return;
    }
    if (error) {
        // A client that half-closes after its requests still gets the answers.
        if (error == asio::error::eof && !m_lingering && !(m_slots.empty() && m_output.empty())) {
            m_noMoreRequests = true;
            if (m_slots.empty()) {
                m_closeAfterOutput = true;
            } else {
                m_slots.back().keepAlive = false;
            }
            return;
        }
        stop();
        return;
    }
    if (m_lingering) {
        m_discarded += size;
        if (m_discarded > kMaxDiscarded) {
            stop();
        } else {
            readMore();
        }
        return;
    }
    touch();
    m_readOffset = 0;
    m_readSize = size;
    processInput();
}

void HttpConnection::processInput()
{
    if (m_inInput) {
        return; // an answer given during dispatch(); the loop below goes on anyway
    }
    m_inInput = true;
    processRequests();
    m_inInput = false;
    if (m_readOffset >= m_readSize) {
        readMore();
    }
}

void HttpConnection::processRequests()
{
    while (m_readOffset < m_readSize && !m_noMoreRequests && !m_stopped) {
        if (mustPause()) {
            return; // flushAnswered() or onWritten() resumes
        }
        const std::string_view rest(m_readBuffer.data() + m_readOffset, m_readSize - m_readOffset);
        m_readOffset += m_parser.feed(rest);
        if (m_parser.failed()) {
            refuse(m_parser.errorStatus());
            return;
        }
        if (m_parser.complete()) {
            dispatch(m_parser.take());
        } else {
            offerContinue();
        }
    }
}

void HttpConnection::dispatch(HttpRequest request)
{
    if (!m_context.serving->load()) {
        stop();
        return;
    }
    m_continueOffered = false;
    request.peerAddress = m_peerAddress;
    request.peerPort = m_peerPort;
    request.localAddress = m_localAddress;
    request.localPort = m_localPort;
    Slot slot;
    slot.keepAlive = request.keepAlive();
    slot.head = request.method == "HEAD";
    if (!slot.keepAlive) {
        m_noMoreRequests = true;
    }
    m_slots.push_back(std::move(slot));
    const std::uint64_t number = m_nextSlot++;
    try {
        (*m_context.handler)(request, HttpResponder::create(shared_from_this(), number));
    } catch (...) {
        // At once, before the responder dropped in the unwinding closes the
        // connection. Should the service have answered first, that answer stands.
        deliver(number, HttpResponse::make(500, "The service failed on this request.\n"));
    }
}

// Bad input: its answer goes out after the earlier requests' answers, then
// the connection closes, since where the next request would start is unknown.
void HttpConnection::refuse(int status)
{
    m_noMoreRequests = true;
    const HttpResponse response = HttpResponse::make(
        status, std::to_string(status) + " " + std::string(reasonPhrase(status)) + "\n");
    Slot slot;
    slot.keepAlive = false;
    slot.bytes = response.serialize(false);
    m_slots.push_back(std::move(slot));
    ++m_nextSlot;
    flushAnswered();
}

// Tells a client that waits before sending its body to go on. Only when every
// earlier answer is out of the queue of slots, so the interim answer cannot
// overtake one of them; otherwise the client sends its body after its own wait.
void HttpConnection::offerContinue()
{
    if (!m_continueOffered && m_slots.empty() && m_parser.expectsContinue()) {
        m_continueOffered = true;
        queueOutput(std::string(kContinue));
        writeNext();
    }
}

HttpConnection::Slot* HttpConnection::findSlot(std::uint64_t slot)
{
    if (m_stopped || slot < m_firstSlot || slot >= m_firstSlot + m_slots.size()) {
        return nullptr; // answered, dropped with the connection, or after a close
    }
    Slot& found = m_slots[static_cast<std::size_t>(slot - m_firstSlot)];
    return found.bytes ? nullptr : &found;
}

void HttpConnection::deliver(std::uint64_t slot, HttpResponse response)
{
    Slot* found = findSlot(slot);
    if (found == nullptr) {
        return;
    }
    if (response.close) {
        found->keepAlive = false;
    }
    found->bytes = response.serialize(found->keepAlive, found->head);
    flushAnswered();
}

void HttpConnection::abandon(std::uint64_t slot)
{
    Slot* found = findSlot(slot);
    if (found == nullptr) {
        return;
    }
    found->bytes.emplace();
    found->keepAlive = false;
    flushAnswered();
}

// Moves the answers at the front, in request order, to the write queue.
void HttpConnection::flushAnswered()
{
    bool freed = false;
    while (!m_slots.empty() && m_slots.front().bytes) {
        Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        ++m_firstSlot;
        freed = true;
        if (!slot.bytes->empty()) {
            queueOutput(std::move(*slot.bytes));
        }
        if (!slot.keepAlive) {
            // The requests after a closing answer are not served.
            m_noMoreRequests = true;
            m_closeAfterOutput = true;
            m_firstSlot += m_slots.size();
            m_slots.clear();
            break;
        }
    }
    if (m_stopped) {
        return;
    }
    writeNext();
    if (freed && !m_noMoreRequests && !m_reading) {
        processInput();
    }
}

void HttpConnection::queueOutput(std::string bytes)
{
    m_queuedBytes += bytes.size();
    if (m_queuedBytes > m_context.options.maxQueuedOutput) {
        stop(); // the client does not read its answers
        return;
    }
    m_output.push_back(std::move(bytes));
}

void HttpConnection::writeNext()
{
    if (m_writing || m_stopped) {
        return;
    }
    if (m_output.empty()) {
        if (m_closeAfterOutput) {
            beginLinger();
        }
        return;
    }
    m_writing = true;
    asio::async_write(m_socket, asio::buffer(m_output.front()),
                      [self = shared_from_this()](asio::error_code error, std::size_t) {
                          self->onWritten(error);
                      });
}

void HttpConnection::onWritten(asio::error_code error)
{
    m_writing = false;
    if (m_stopped) {
        return;
    }
    if (error) {
        stop();
        return;
    }
    const bool wasPaused = mustPause();
    m_queuedBytes -= m_output.front().size();
    m_output.pop_front();
    touch();
    writeNext();
    if (wasPaused && !mustPause() && !m_noMoreRequests && !m_reading) {
        processInput();
    }
}

// No more requests are read while many wait for their answers, or while the
// client has many answer bytes it has not taken yet.
bool HttpConnection::mustPause() const
{
    return m_slots.size() >= m_context.options.maxPipelined ||
           m_queuedBytes >= m_context.options.maxQueuedOutput / 2;
}

void HttpConnection::beginLinger()
{
    if (m_lingering) {
        return;
    }
    m_lingering = true;
    asio::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    m_deadline = Clock::now() + kLingerTime;
    readMore();
}

void HttpConnection::touch()
{
    if (!m_lingering) {
        m_deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        scaledDuration(m_context.options.idleTimeoutMs));
    }
}

// One timer for the connection's whole life; activity only moves the deadline.
void HttpConnection::waitTimer()
{
    m_timer.expires_at(m_deadline);
    m_timer.async_wait([self = shared_from_this()](asio::error_code) {
        if (!self->m_stopped) {
            self->onTimer();
        }
    });
}

void HttpConnection::onTimer()
{
    if (Clock::now() < m_deadline) {
        waitTimer();
        return;
    }
    const bool serviceWorking = !m_lingering && !m_slots.empty() && !m_writing;
    if (serviceWorking) {
        touch(); // a late answer is the service's choice, not an idle client
        waitTimer();
        return;
    }
    stop();
}

void HttpConnection::stop()
{
    if (m_stopped) {
        return;
    }
    m_stopped = true;
    asio::error_code ignored;
    m_socket.close(ignored);
    m_timer.cancel();
    m_slots.clear();
    m_output.clear();
    m_queuedBytes = 0;
    if (auto set = m_context.set.lock()) {
        set->remove(this);
    }
}

} // namespace vexlo::ipcsim::onvif
