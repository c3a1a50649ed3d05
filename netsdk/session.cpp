#include "netsdk/session.h"

#include "platform/tick.h"
#include "protocol/command_codes.h"
#include "protocol/login_proof.h"
#include "protocol/wire.h"

#include <algorithm>
#include <type_traits>
#include <variant>

namespace vexlo::netsdk {

namespace {

using namespace std::chrono_literals;
namespace proto = vexlo::protocol;

// Auto-reconnect waits 1, 2, 4, then 8 s between attempts and gives up when a
// camera has been unreachable this long (a reboot takes well under it).
constexpr std::uint32_t kFirstReconnectDelayMs = 1000;
constexpr std::uint32_t kLongestReconnectDelayMs = 8000;
constexpr std::uint32_t kReconnectGiveUpMs = 300000;
// How often the keep-alive looks at the session.
constexpr std::uint32_t kKeepAliveTickMs = 1000;

std::chrono::nanoseconds scaled(std::uint32_t ms)
{
    return vexlo::scaledDuration(ms);
}

} // namespace

Session::Session(asio::io_context& io, int loginHandle, SessionTarget target, SessionEvents& events)
    : m_handle(loginHandle), m_target(std::move(target)), m_events(events),
      m_strand(asio::make_strand(io)), m_socket(m_strand), m_connectTimer(m_strand),
      m_loginTimer(m_strand), m_keepAliveTimer(m_strand), m_reconnectTimer(m_strand)
{
}

void Session::start()
{
    asio::post(m_strand, [self = shared_from_this()] {
        if (self->m_phase != Phase::Idle)
            return;
        // The login deadline runs from the call, across connect and handshake.
        self->armLoginDeadline(scaled(proto::kLoginTimeoutMs));
        self->attempt();
    });
}

void Session::handOut()
{
    std::vector<int> pending;
    {
        std::lock_guard lock(m_eventMutex);
        m_handedOut = true;
        pending.swap(m_pendingEvents);
    }
    if (pending.empty())
        return;
    asio::post(m_strand, [self = shared_from_this(), pending] {
        for (int event : pending)
            self->emitStatus(event);
    });
}

void Session::close()
{
    {
        std::lock_guard lock(m_eventMutex);
        m_closedByUser = true;
        m_pendingEvents.clear();
    }
    m_loggedIn = false;
    asio::post(m_strand, [self = shared_from_this()] {
        self->m_upload.reset();
        self->m_plays.clear();
        self->m_reconnectTimer.cancel();
        self->cancelLoginDeadline();
        if (self->m_phase == Phase::Handshaking || self->m_phase == Phase::LoggedIn)
            self->sendCloseAndEnd(proto::CloseReason::Normal);
        else
            self->dropConnection();
        self->m_phase = Phase::Ended;
    });
}

void Session::emitStatus(int event)
{
    {
        std::lock_guard lock(m_eventMutex);
        if (m_closedByUser)
            return;
        if (!m_handedOut) {
            m_pendingEvents.push_back(event);
            return;
        }
    }
    m_events.statusEvent(m_handle, event);
}

std::uint32_t Session::nextSequence()
{
    if (++m_sequence == 0)
        m_sequence = 1; // 0 is never used
    return m_sequence;
}

// ---- connecting and logging in ----------------------------------------------

void Session::attempt()
{
    ++m_generation;
    asio::error_code ignored;
    m_socket.close(ignored);
    m_reader = proto::FrameReader{};
    m_writeQueue.clear();
    m_writing = false;
    m_closeAfterWrite = false;
    m_sequence = 0;
    m_challengeSeen = false;
    m_phase = Phase::Connecting;

    asio::error_code error;
    const auto address = asio::ip::make_address_v4(m_target.address, error);
    if (error) {
        connectionLost();
        return;
    }
    const asio::ip::tcp::endpoint endpoint(address, m_target.port);
    const std::uint64_t generation = m_generation;
    m_connectTimer.expires_after(scaled(proto::kConnectTimeoutMs));
    m_connectTimer.async_wait([self = shared_from_this(), generation](const asio::error_code& e) {
        if (e || generation != self->m_generation || self->m_phase != Phase::Connecting)
            return;
        self->dropConnection(); // abandons the pending connect
        self->connectionLost();
    });
    m_socket.async_connect(endpoint,
                           [self = shared_from_this(), generation](const asio::error_code& e) {
                               self->onConnected(generation, e);
                           });
}

void Session::armLoginDeadline(std::chrono::nanoseconds delay)
{
    // Each deadline has its own id, so one that expired just before it was
    // replaced cannot end the next attempt.
    const std::uint64_t deadline = ++m_loginDeadlineId;
    m_loginTimer.expires_after(delay);
    m_loginTimer.async_wait([self = shared_from_this(), deadline](const asio::error_code& e) {
        if (e || deadline != self->m_loginDeadlineId)
            return;
        if (self->m_phase == Phase::Connecting || self->m_phase == Phase::Handshaking)
            self->sendCloseAndEnd(proto::CloseReason::Normal);
    });
}

void Session::cancelLoginDeadline()
{
    ++m_loginDeadlineId;
    m_loginTimer.cancel();
}

void Session::onConnected(std::uint64_t generation, const asio::error_code& error)
{
    if (generation != m_generation || m_phase != Phase::Connecting)
        return;
    m_connectTimer.cancel();
    if (error) {
        connectionLost();
        return;
    }
    asio::error_code ignored;
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    m_phase = Phase::Handshaking;
    m_lastReceived = Clock::now();
    m_lastSent = Clock::now();
    proto::Hello hello;
    hello.userName = m_target.userName.substr(0, proto::kMaxUserNameSize);
    send(hello);
    armKeepAlive(generation);
    readMore(generation);
}

void Session::onLoginResult(const proto::LoginResult& result)
{
    if (!m_challengeSeen) {
        protocolError();
        return;
    }
    if (result.status != proto::LoginStatus::Accepted) {
        // The camera closes after a refusal; so do we, without waiting for it.
        m_refusedByCamera = true;
        sendCloseAndEnd(proto::CloseReason::Normal);
        return;
    }
    cancelLoginDeadline();
    m_reconnectTimer.cancel();
    m_phase = Phase::LoggedIn;
    m_loginFailureReported = false;
    m_reconnectAttempts = 0;
    m_loggedIn = true;
    emitStatus(SDK_EVENT_LOGIN_OK);
}

void Session::handleLoginMessage(proto::Message& message)
{
    if (auto* challenge = std::get_if<proto::Challenge>(&message)) {
        if (m_challengeSeen || challenge->version != proto::kProtocolVersion) {
            protocolError();
            return;
        }
        m_challengeSeen = true;
        const std::string userName = m_target.userName.substr(0, proto::kMaxUserNameSize);
        proto::LoginProof proof;
        proof.proof = proto::computeLoginProof(m_target.password, challenge->nonce, userName);
        send(proof);
    } else if (auto* result = std::get_if<proto::LoginResult>(&message)) {
        onLoginResult(*result);
    } else if (auto* ping = std::get_if<proto::Ping>(&message)) {
        send(proto::Pong{ping->token});
    } else if (std::holds_alternative<proto::Pong>(message)) {
        // keep-alive answer; receiving it was the point
    } else if (std::holds_alternative<proto::Close>(message)) {
        dropConnection();
        connectionLost();
    } else {
        protocolError();
    }
}

// ---- reading ------------------------------------------------------------------

void Session::readMore(std::uint64_t generation)
{
    m_socket.async_read_some(
        asio::buffer(m_readBuffer),
        [self = shared_from_this(), generation](const asio::error_code& e, std::size_t bytes) {
            self->onRead(generation, e, bytes);
        });
}

void Session::onRead(std::uint64_t generation, const asio::error_code& error, std::size_t bytes)
{
    if (generation != m_generation)
        return;
    if (m_phase != Phase::Handshaking && m_phase != Phase::LoggedIn)
        return;
    if (error) {
        dropConnection();
        connectionLost();
        return;
    }
    m_lastReceived = Clock::now();
    m_reader.feed(std::span<const std::uint8_t>(m_readBuffer.data(), bytes));
    while (auto frame = m_reader.next()) {
        handleFrame(*frame);
        // Handling a frame may have ended this connection.
        if (generation != m_generation ||
            (m_phase != Phase::Handshaking && m_phase != Phase::LoggedIn))
            return;
    }
    if (m_reader.failed()) {
        protocolError();
        return;
    }
    readMore(generation);
}

void Session::handleFrame(const proto::Frame& frame)
{
    if (!proto::isKnownMessageType(frame.header.type))
        return; // a later version's message; skipped
    auto message = proto::decodeMessage(frame);
    if (!message) {
        protocolError();
        return;
    }
    if (m_phase == Phase::Handshaking)
        handleLoginMessage(*message);
    else
        handleSessionMessage(*message);
}

void Session::handleSessionMessage(proto::Message& message)
{
    std::visit(
        [this, &message](auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, proto::Answer>) {
                const std::string& text = m.text; // c_str() adds the NUL the callers expect
                m_events.answer(m_handle, static_cast<int>(m.code), text.c_str());
            } else if constexpr (std::is_same_v<T, proto::UploadAck>) {
                onUploadAck(m);
            } else if constexpr (std::is_same_v<T, proto::UploadResult>) {
                onUploadResult(m);
            } else if constexpr (std::is_same_v<T, proto::PlayHeader> ||
                                 std::is_same_v<T, proto::VideoFrame> ||
                                 std::is_same_v<T, proto::AudioFrame> ||
                                 std::is_same_v<T, proto::PlayEnd>) {
                onPlayMessage(m.streamId, message);
            } else if constexpr (std::is_same_v<T, proto::Ping>) {
                send(proto::Pong{m.token});
            } else if constexpr (std::is_same_v<T, proto::Pong>) {
                // keep-alive answer
            } else if constexpr (std::is_same_v<T, proto::Close>) {
                dropConnection();
                connectionLost();
            } else {
                // A message only a client sends, or a second login exchange.
                protocolError();
            }
        },
        message);
}

// ---- writing ------------------------------------------------------------------

template <typename MessageT> void Session::send(const MessageT& message)
{
    enqueue(message.encode(nextSequence()));
}

void Session::enqueue(std::vector<std::uint8_t> frame)
{
    if (m_closeAfterWrite || !m_socket.is_open())
        return;
    m_writeQueue.push_back(std::move(frame));
    m_lastSent = Clock::now();
    if (!m_writing)
        writeNext();
}

void Session::writeNext()
{
    if (m_writeQueue.empty()) {
        m_writing = false;
        if (m_closeAfterWrite) {
            asio::error_code ignored;
            m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
            m_socket.close(ignored);
        }
        return;
    }
    m_writing = true;
    const std::uint64_t generation = m_generation;
    asio::async_write(
        m_socket, asio::buffer(m_writeQueue.front()),
        [self = shared_from_this(), generation](const asio::error_code& e, std::size_t) {
            if (generation != self->m_generation)
                return;
            if (!self->m_writeQueue.empty())
                self->m_writeQueue.pop_front();
            if (e) {
                self->m_writeQueue.clear();
                self->m_writing = false;
                if (self->m_phase == Phase::Handshaking || self->m_phase == Phase::LoggedIn) {
                    self->dropConnection();
                    self->connectionLost();
                }
                return;
            }
            self->writeNext();
        });
}

// ---- ending a connection --------------------------------------------------------

void Session::protocolError()
{
    sendCloseAndEnd(proto::CloseReason::ProtocolError);
}

// Sends Close as the last frame, closes once it is written, and handles the
// loss of the session (events, reconnect) at once.
void Session::sendCloseAndEnd(proto::CloseReason reason)
{
    const bool connected = m_phase == Phase::Handshaking || m_phase == Phase::LoggedIn;
    if (connected && m_socket.is_open() && !m_closeAfterWrite) {
        send(proto::Close{reason});
        m_closeAfterWrite = true;
        if (!m_writing)
            writeNext();
        m_connectTimer.cancel();
        m_keepAliveTimer.cancel();
    } else {
        dropConnection();
    }
    connectionLost();
}

void Session::dropConnection()
{
    asio::error_code ignored;
    m_connectTimer.cancel();
    m_keepAliveTimer.cancel();
    if (!m_closeAfterWrite || !m_writing)
        m_socket.close(ignored);
}

void Session::connectionLost()
{
    const Phase phase = m_phase;
    if (phase == Phase::Ended || phase == Phase::Reconnecting || phase == Phase::Idle)
        return;
    m_connectTimer.cancel();
    m_keepAliveTimer.cancel();
    m_loggedIn = false;

    bool closedByUser = false;
    {
        std::lock_guard lock(m_eventMutex);
        closedByUser = m_closedByUser;
    }
    if (m_upload) {
        m_upload.reset();
        m_uploadPhase = static_cast<int>(UploadPhase::Failed);
        emitStatus(SDK_EVENT_UPLOAD_FAILED);
    }
    // Streams do not survive their session; StopRealPlay still works on them.
    m_plays.clear();

    if (closedByUser) {
        m_phase = Phase::Ended;
        return;
    }
    if (m_autoReconnect && !m_refusedByCamera) {
        if (phase == Phase::LoggedIn || m_reconnectAttempts == 0) {
            m_reconnectSince = Clock::now();
            m_reconnectAttempts = 0;
        }
        if (Clock::now() - m_reconnectSince < scaled(kReconnectGiveUpMs)) {
            scheduleReconnect();
            return;
        }
    }
    m_phase = Phase::Ended;
    cancelLoginDeadline();
    // A login that never completed, or a reconnect that gave up, is a failed
    // login. A session that simply ends without auto-reconnect reports nothing.
    if (!m_loginFailureReported && phase != Phase::LoggedIn) {
        m_loginFailureReported = true;
        emitStatus(SDK_EVENT_LOGIN_FAILED);
    }
}

void Session::setAutoReconnect(bool enable)
{
    m_autoReconnect = enable;
    if (!enable)
        return;
    // The first connection may already have failed before the caller asked for
    // auto-reconnect (a camera that is still down refuses at once): start over.
    asio::post(m_strand, [self = shared_from_this()] {
        {
            std::lock_guard lock(self->m_eventMutex);
            if (self->m_closedByUser)
                return;
        }
        if (self->m_phase != Phase::Ended || self->m_refusedByCamera || !self->m_autoReconnect)
            return;
        self->m_reconnectSince = Clock::now();
        self->m_reconnectAttempts = 0;
        self->scheduleReconnect();
    });
}

void Session::scheduleReconnect()
{
    cancelLoginDeadline();
    m_phase = Phase::Reconnecting;
    const std::uint32_t shift = static_cast<std::uint32_t>(std::min(m_reconnectAttempts, 3));
    const std::uint32_t delay = std::min(kFirstReconnectDelayMs << shift, kLongestReconnectDelayMs);
    ++m_reconnectAttempts;
    m_reconnectTimer.expires_after(scaled(delay));
    m_reconnectTimer.async_wait([self = shared_from_this()](const asio::error_code& e) {
        if (e || self->m_phase != Phase::Reconnecting)
            return;
        self->armLoginDeadline(scaled(proto::kLoginTimeoutMs));
        self->attempt();
    });
}

void Session::armKeepAlive(std::uint64_t generation)
{
    m_keepAliveTimer.expires_after(scaled(kKeepAliveTickMs));
    m_keepAliveTimer.async_wait([self = shared_from_this(), generation](const asio::error_code& e) {
        if (e || generation != self->m_generation)
            return;
        if (self->m_phase != Phase::Handshaking && self->m_phase != Phase::LoggedIn)
            return;
        const auto now = Clock::now();
        if (now - self->m_lastReceived >= scaled(proto::kDeadSessionMs)) {
            self->sendCloseAndEnd(proto::CloseReason::IdleTimeout);
            return;
        }
        if (now - self->m_lastSent >= scaled(proto::kPingIntervalMs))
            self->send(proto::Ping{++self->m_pingToken});
        self->armKeepAlive(generation);
    });
}

// ---- commands ---------------------------------------------------------------------

bool Session::sendCommand(std::uint32_t code, proto::CallKind kind, std::int32_t channel,
                          std::string text)
{
    if (!m_loggedIn)
        return false;
    proto::Command command;
    command.code = code & proto::kCommandMask;
    command.kind = kind;
    command.channel = channel;
    command.text = std::move(text);
    if (command.text.size() > proto::kMaxTextSize)
        command.text.resize(proto::kMaxTextSize);
    asio::post(m_strand, [self = shared_from_this(), command = std::move(command)] {
        if (self->m_phase == Phase::LoggedIn)
            self->send(command);
    });
    return true;
}

// ---- firmware upload ------------------------------------------------------------

bool Session::startUpload(std::unique_ptr<FirmwareFile> file)
{
    if (!m_loggedIn || !file)
        return false;
    int phase = m_uploadPhase.load();
    do {
        if (phase == static_cast<int>(UploadPhase::Running))
            return false;
    } while (!m_uploadPhase.compare_exchange_weak(phase, static_cast<int>(UploadPhase::Running)));
    m_uploadPercent = 0;
    auto shared = std::make_shared<std::unique_ptr<FirmwareFile>>(std::move(file));
    asio::post(m_strand, [self = shared_from_this(), shared] {
        if (self->m_phase != Phase::LoggedIn) {
            self->m_uploadPhase = static_cast<int>(UploadPhase::Failed);
            self->emitStatus(SDK_EVENT_UPLOAD_FAILED);
            return;
        }
        const std::uint32_t size = (*shared)->size();
        self->m_upload.emplace(
            Upload{std::move(*shared),
                   UploadWindow(size, proto::kMaxChunkSize, proto::kUploadWindowChunks), false});
        self->send(proto::UploadBegin{size});
    });
    return true;
}

int Session::uploadState() const
{
    return m_uploadPhase.load() == static_cast<int>(UploadPhase::None) ? -1 : 0;
}

int Session::uploadProgress() const
{
    if (m_uploadPhase.load() == static_cast<int>(UploadPhase::None))
        return -1;
    return m_uploadPercent.load();
}

void Session::onUploadAck(const proto::UploadAck& ack)
{
    if (!m_upload)
        return; // stale: no upload runs
    if (!m_upload->window.acknowledge(ack.received))
        return;
    m_uploadPercent = m_upload->window.percent();
    pumpUpload();
}

void Session::pumpUpload()
{
    std::vector<std::uint8_t> chunk;
    while (m_upload) {
        const auto next = m_upload->window.takeNextChunk();
        if (!next)
            break;
        chunk.resize(next->length);
        if (!m_upload->file->readAt(next->offset, chunk)) {
            finishUpload(false);
            return;
        }
        enqueue(proto::UploadData::encodeChunk(next->offset, chunk, nextSequence()));
    }
    if (m_upload && m_upload->window.everyByteAcknowledged() && !m_upload->endSent) {
        m_upload->endSent = true;
        send(proto::UploadEnd{m_upload->window.totalSize()});
    }
}

void Session::onUploadResult(const proto::UploadResult& result)
{
    if (!m_upload)
        return;
    finishUpload(result.succeeded() && result.received == m_upload->window.totalSize() &&
                 m_upload->window.everyByteAcknowledged());
}

void Session::finishUpload(bool succeeded)
{
    m_upload.reset();
    m_uploadPhase = static_cast<int>(succeeded ? UploadPhase::Done : UploadPhase::Failed);
    emitStatus(succeeded ? SDK_EVENT_UPLOAD_DONE : SDK_EVENT_UPLOAD_FAILED);
}

// ---- live play ------------------------------------------------------------------------

std::uint32_t Session::startPlay(std::shared_ptr<PlaySink> sink, std::int32_t playParam,
                                 std::int32_t word1, std::int32_t word2)
{
    if (!m_loggedIn || !sink)
        return 0;
    std::uint32_t streamId = m_nextStreamId.fetch_add(1);
    if (streamId == 0)
        streamId = m_nextStreamId.fetch_add(1);
    proto::PlayStart request{streamId, playParam, word1, word2};
    asio::post(m_strand, [self = shared_from_this(), sink = std::move(sink), request] {
        if (self->m_phase != Phase::LoggedIn)
            return;
        self->m_plays[request.streamId] = sink;
        self->send(request);
    });
    return streamId;
}

void Session::stopPlay(std::uint32_t streamId)
{
    asio::post(m_strand, [self = shared_from_this(), streamId] {
        if (self->m_plays.erase(streamId) != 0 && self->m_phase == Phase::LoggedIn)
            self->send(proto::PlayStop{streamId});
    });
}

void Session::onPlayMessage(std::uint32_t streamId, const proto::Message& message)
{
    const auto found = m_plays.find(streamId);
    if (found == m_plays.end())
        return; // a stream stopped or never started here
    const std::shared_ptr<PlaySink> sink = found->second;
    if (const auto* header = std::get_if<proto::PlayHeader>(&message)) {
        const auto block = header->toCallbackBlock();
        sink->deliverHeader(block);
    } else if (const auto* video = std::get_if<proto::VideoFrame>(&message)) {
        sink->deliverVideo(video->frameValue, video->timestamp, video->data);
    } else if (const auto* audio = std::get_if<proto::AudioFrame>(&message)) {
        sink->deliverAudio(audio->timestamp, audio->data);
    } else if (std::holds_alternative<proto::PlayEnd>(message)) {
        m_plays.erase(streamId);
    }
}

} // namespace vexlo::netsdk
