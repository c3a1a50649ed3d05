#include "ipcsim/session.h"

#include "ipcsim/camera.h"
#include "ipcsim/live_stream.h"
#include "ipcsim/request_log.h"
#include "ipcsim/sim_time.h"
#include "platform/tick.h"
#include "protocol/command_codes.h"
#include "protocol/login_proof.h"

#include <type_traits>

namespace vexlo::ipcsim {

using namespace protocol;

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// A client that does not read its stream must not make the camera hoard
// frames: above this many queued bytes, live frames are skipped.
constexpr std::size_t kMaxQueuedStreamBytes = 2 * 1024 * 1024;
constexpr std::size_t kMaxStreamsPerSession = 8;
// A client that sends commands but never reads the answers is cut off before
// the camera's memory fills with them.
constexpr std::size_t kMaxQueuedBytes = 16 * 1024 * 1024;

} // namespace

Session::Session(Camera& camera, asio::ip::tcp::socket socket)
    : m_camera(camera), m_socket(std::move(socket)), m_readBuffer(kReadChunk),
      m_lastSent(Clock::now()), m_lastReceived(Clock::now()), m_keepAlive(m_socket.get_executor())
{
}

void Session::start()
{
    asio::error_code ignored;
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    readMore();
    scheduleKeepAlive();
}

void Session::readMore()
{
    m_socket.async_read_some(asio::buffer(m_readBuffer),
                             [self = shared_from_this()](asio::error_code error, std::size_t size) {
                                 if (error) {
                                     self->finish();
                                     return;
                                 }
                                 self->onRead(size);
                             });
}

void Session::onRead(std::size_t size)
{
    if (m_finished) {
        return;
    }
    m_lastReceived = Clock::now();
    m_reader.feed(std::span<const std::uint8_t>(m_readBuffer.data(), size));
    while (auto frame = m_reader.next()) {
        if (m_closing || m_finished) {
            return;
        }
        if (!isKnownMessageType(frame->header.type)) {
            continue;
        }
        const auto message = decodeMessage(*frame);
        if (!message) {
            protocolError();
            return;
        }
        handle(*message, frame->header.sequence);
    }
    if (m_reader.failed()) {
        protocolError();
        return;
    }
    if (!m_closing && !m_finished) {
        readMore();
    }
}

void Session::handle(const Message& message, std::uint32_t sequence)
{
    if (const auto* ping = std::get_if<Ping>(&message)) {
        send(Pong{ping->token});
        return;
    }
    if (std::holds_alternative<Pong>(message)) {
        return;
    }
    if (const auto* close = std::get_if<Close>(&message)) {
        if (m_phase == Phase::LoggedIn && close->reason == CloseReason::Normal) {
            m_camera.log(request_kind::kLogout, 0, {}, {});
        }
        finish();
        return;
    }
    if (m_phase != Phase::LoggedIn) {
        handleBeforeLogin(message);
        return;
    }
    std::visit(
        [&](const auto& body) {
            using T = std::decay_t<decltype(body)>;
            if constexpr (std::is_same_v<T, Command>) {
                onCommand(body, sequence);
            } else if constexpr (std::is_same_v<T, UploadBegin>) {
                onUploadBegin(body);
            } else if constexpr (std::is_same_v<T, UploadData>) {
                onUploadStep(m_upload.data(body));
            } else if constexpr (std::is_same_v<T, UploadEnd>) {
                m_camera.log(request_kind::kUpgrade, 0, {},
                             "end of upload, " + std::to_string(m_upload.received()) + " of " +
                                 std::to_string(body.totalSize) + " bytes");
                onUploadStep(m_upload.end(body.totalSize));
            } else if constexpr (std::is_same_v<T, PlayStart>) {
                onPlayStart(body);
            } else if constexpr (std::is_same_v<T, PlayStop>) {
                onPlayStop(body);
            } else {
                // Hello again, or a message only a camera sends.
                protocolError();
            }
        },
        message);
}

void Session::handleBeforeLogin(const Message& message)
{
    if (const auto* hello = std::get_if<Hello>(&message); hello && m_phase == Phase::AwaitHello) {
        onHello(*hello);
    } else if (const auto* proof = std::get_if<LoginProof>(&message);
               proof && m_phase == Phase::AwaitProof) {
        onProof(*proof);
    } else if (m_phase == Phase::Unconfirmed) {
        // The handshake hangs on purpose; whatever comes is left unanswered.
    } else {
        protocolError();
    }
}

void Session::onHello(const Hello& hello)
{
    m_userName = hello.userName;
    m_camera.log(request_kind::kLogin, 0, hello.userName, "hello");
    if (hello.minVersion > kProtocolVersion || hello.maxVersion < kProtocolVersion) {
        send(LoginResult{LoginStatus::VersionUnsupported});
        closeFor(CloseReason::ProtocolError);
        return;
    }
    const auto nonce = makeNonce();
    if (!nonce) {
        send(LoginResult{LoginStatus::Busy});
        closeFor(CloseReason::Shutdown);
        return;
    }
    m_nonce = *nonce;
    m_phase = Phase::AwaitProof;
    send(Challenge{kProtocolVersion, m_nonce});
}

void Session::onProof(const LoginProof& proof)
{
    const CameraSetup& setup = m_camera.setup();
    if (setup.faults.loginNeverConfirmed) {
        m_camera.log(request_kind::kLogin, 0, m_userName, "never confirmed by scenario");
        m_phase = Phase::Unconfirmed;
        return;
    }
    const bool userMatches = m_userName == toGbk(setup.user);
    const bool proofMatches =
        userMatches && loginProofMatches(proof.proof, toGbk(setup.password), m_nonce, m_userName);
    if (setup.faults.loginRefused || !proofMatches) {
        m_camera.log(request_kind::kLogin, 0, m_userName,
                     setup.faults.loginRefused ? "refused by scenario"
                                               : "refused: wrong user name or password");
        send(LoginResult{LoginStatus::Refused});
        closeFor(CloseReason::Normal);
        return;
    }
    m_camera.log(request_kind::kLogin, 0, m_userName, "accepted");
    send(LoginResult{LoginStatus::Accepted});
    onLoggedIn();
}

void Session::onLoggedIn()
{
    m_phase = Phase::LoggedIn;
    const auto& drop = m_camera.setup().faults.dropSessionAfterSeconds;
    if (drop && m_camera.takeSessionDrop()) {
        auto timer = startTimer(scaledSeconds(*drop));
        timer->async_wait([self = shared_from_this(), timer](asio::error_code error) {
            self->m_timers.erase(timer);
            if (!error) {
                self->m_camera.log(request_kind::kLogin, 0, {}, "session dropped by scenario");
                self->abort();
            }
        });
    }
}

void Session::onCommand(const Command& command, std::uint32_t sequence)
{
    CommandReply reply =
        replyTo(m_camera.setup(), m_camera.runningVersion(), command, m_camera.config());
    m_camera.log(requestKindOf(command), command.code, command.text, reply.note);
    if (!reply.answered) {
        return;
    }
    if (!reply.refused) {
        if (command.kind == CallKind::SetDVRConfig) {
            rememberConfig(m_camera.config(), command.code, command.text);
        }
        if (command.kind == CallKind::SystemControl && command.code == kCodeSetTime) {
            m_camera.recordTime(timeInRequest(command.text));
        }
    }
    Answer answer;
    answer.code = reply.refused ? refusalOf(command.code) : command.code;
    answer.inReplyTo = sequence;
    answer.text = std::move(reply.text);
    answerLater(reply.delaySeconds, std::move(answer), reply.after);
}

void Session::answerLater(double seconds, Answer answer, AfterAnswer after)
{
    const auto delay = scaledSeconds(seconds);
    if (delay.count() == 0) {
        deliver(answer, after);
        return;
    }
    auto timer = startTimer(delay);
    timer->async_wait([self = shared_from_this(), timer, answer = std::move(answer),
                       after](asio::error_code error) {
        self->m_timers.erase(timer);
        if (!error) {
            self->deliver(answer, after);
        }
    });
}

void Session::deliver(const Answer& answer, AfterAnswer after)
{
    if (m_closing || m_finished) {
        return;
    }
    send(answer);
    if (after == AfterAnswer::Reboot) {
        m_camera.goDown(CloseReason::Reboot);
    } else if (after == AfterAnswer::FactoryRestore) {
        m_camera.goDown(CloseReason::FactoryRestore);
    }
}

void Session::sendVerdict(bool accepted, std::string text)
{
    Answer answer;
    answer.code = accepted ? kCodeFirmwareVerdict : refusalOf(kCodeFirmwareVerdict);
    answer.inReplyTo = 0;
    answer.text = std::move(text);
    send(answer);
}

void Session::onUploadBegin(const UploadBegin& begin)
{
    m_camera.log(request_kind::kUpgrade, 0, {},
                 "upload of " + std::to_string(begin.totalSize) + " bytes");
    if (m_upload.active() || !m_camera.claimUpload()) {
        send(UploadResult{UploadStatus::Busy, 0});
        return;
    }
    m_ownsUpload = true;
    onUploadStep(m_upload.begin(begin.totalSize, m_camera.setup().faults));
}

void Session::onUploadStep(const UploadStep& step)
{
    if (step.ack) {
        send(*step.ack);
    }
    if (!step.result) {
        return;
    }
    send(*step.result);
    if (step.completed) {
        // The camera keeps its upload slot until the check has given its verdict.
        m_ownsUpload = false;
        m_camera.checkFirmware(m_upload.verdict(), [weak = weak_from_this()](
                                                       std::optional<bool> accepted) {
            const auto live = weak.lock();
            if (accepted && live) {
                live->sendVerdict(*accepted, *accepted ? std::string(kOkAnswer) : std::string());
            }
        });
    } else {
        releaseUpload();
    }
}

void Session::releaseUpload()
{
    if (m_ownsUpload) {
        m_ownsUpload = false;
        m_camera.releaseUpload();
    }
}

void Session::onPlayStart(const PlayStart& start)
{
    m_camera.log(request_kind::kRealPlay, 0, {},
                 "stream " + std::to_string(start.streamId) + ", playParam " +
                     std::to_string(start.playParam));
    if (m_streams.count(start.streamId) != 0 || m_streams.size() >= kMaxStreamsPerSession) {
        send(PlayEnd{start.streamId, PlayEndReason::Refused});
        return;
    }
    // The stream counts as running from here, so the same streamId is refused
    // while the camera's picture is still being encoded.
    auto timer = std::make_shared<Timer>(m_socket.get_executor());
    m_streams[start.streamId] = Stream{timer, nullptr, 0, {}};
    m_camera.withStreamLoop([weak = weak_from_this(),
                             streamId = start.streamId](std::shared_ptr<const StreamLoop> loop) {
        if (auto self = weak.lock()) {
            self->beginStream(streamId, std::move(loop));
        }
    });
}

void Session::beginStream(std::uint32_t streamId, std::shared_ptr<const StreamLoop> loop)
{
    const auto found = m_streams.find(streamId);
    if (found == m_streams.end() || m_closing || m_finished) {
        return; // stopped or ended while the picture was encoded
    }
    if (!loop) {
        m_streams.erase(found);
        send(PlayEnd{streamId, PlayEndReason::Refused}); // nothing to show
        return;
    }
    found->second.loop = std::move(loop);
    send(makeStreamHeader(streamId, m_camera.setup().serial));
    sendFrames(streamId);
}

void Session::sendFrames(std::uint32_t streamId)
{
    const auto found = m_streams.find(streamId);
    if (found == m_streams.end() || m_closing || m_finished) {
        return;
    }
    Stream& stream = found->second;
    if (!stream.loop) {
        return;
    }
    const auto pick = stream.skipper.pick(isKeyFrame(*stream.loop, stream.frames),
                                          m_queuedBytes >= kMaxQueuedStreamBytes);
    if (pick.video) {
        send(makeVideoFrame(streamId, stream.frames, *stream.loop));
    }
    if (pick.audio) {
        send(makeAudioFrame(streamId, stream.frames));
    }
    ++stream.frames;
    // Frames keep the real rate whatever the time scale: a person watches them,
    // and a faster stream would only flood the decoder.
    stream.timer->expires_after(kFrameInterval);
    stream.timer->async_wait([self = shared_from_this(), streamId](asio::error_code error) {
        if (!error) {
            self->sendFrames(streamId);
        }
    });
}

void Session::onPlayStop(const PlayStop& stop)
{
    m_camera.log(request_kind::kStopRealPlay, 0, {}, "stream " + std::to_string(stop.streamId));
    const auto found = m_streams.find(stop.streamId);
    if (found == m_streams.end()) {
        return; // stale: the stream already ended
    }
    found->second.timer->cancel();
    m_streams.erase(found);
    send(PlayEnd{stop.streamId, PlayEndReason::Stopped});
}

void Session::endStreams(PlayEndReason reason)
{
    for (auto& [streamId, stream] : m_streams) {
        stream.timer->cancel();
        send(PlayEnd{streamId, reason});
    }
    m_streams.clear();
}

std::shared_ptr<Session::Timer> Session::startTimer(std::chrono::nanoseconds delay)
{
    auto timer = std::make_shared<Timer>(m_socket.get_executor());
    timer->expires_after(delay);
    m_timers.insert(timer);
    return timer;
}

void Session::scheduleKeepAlive()
{
    m_keepAlive.expires_after(scaledDuration(kPingIntervalMs / 5));
    m_keepAlive.async_wait([self = shared_from_this()](asio::error_code error) {
        if (error || self->m_finished || self->m_closing) {
            return;
        }
        const auto now = Clock::now();
        if (now - self->m_lastReceived >= scaledDuration(kDeadSessionMs)) {
            self->closeFor(CloseReason::IdleTimeout);
            return;
        }
        // Pings only on a confirmed session: before that the client expects
        // nothing but the login exchange.
        if (self->m_phase == Phase::LoggedIn &&
            now - self->m_lastSent >= scaledDuration(kPingIntervalMs)) {
            self->send(Ping{++self->m_pingToken});
        }
        self->scheduleKeepAlive();
    });
}

void Session::protocolError()
{
    closeFor(CloseReason::ProtocolError);
}

void Session::closeFor(CloseReason reason)
{
    if (m_closing || m_finished) {
        return;
    }
    endStreams(PlayEndReason::Ended);
    send(Close{reason});
    m_closing = true;
    if (!m_writing) {
        finish();
    }
}

void Session::abort()
{
    finish();
}

void Session::send(const Message& message)
{
    if (m_closing || m_finished) {
        return;
    }
    auto frame = encodeMessage(message, nextSequence());
    if (m_queuedBytes + frame.size() > kMaxQueuedBytes) {
        finish();
        return;
    }
    m_queuedBytes += frame.size();
    m_writeQueue.push_back(std::move(frame));
    m_lastSent = Clock::now();
    if (!m_writing) {
        writeNext();
    }
}

void Session::writeNext()
{
    if (m_writeQueue.empty()) {
        m_writing = false;
        if (m_closing) {
            finish();
        }
        return;
    }
    m_writing = true;
    asio::async_write(m_socket, asio::buffer(m_writeQueue.front()),
                      [self = shared_from_this()](asio::error_code error, std::size_t) {
                          if (self->m_finished) {
                              return;
                          }
                          self->m_queuedBytes -= self->m_writeQueue.front().size();
                          self->m_writeQueue.pop_front();
                          if (error) {
                              self->finish();
                              return;
                          }
                          self->writeNext();
                      });
}

void Session::finish()
{
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_closing = true;
    m_writing = false;
    m_writeQueue.clear();
    m_queuedBytes = 0;
    m_keepAlive.cancel();
    for (const auto& timer : m_timers) {
        timer->cancel();
    }
    m_timers.clear();
    for (auto& [streamId, stream] : m_streams) {
        stream.timer->cancel();
    }
    m_streams.clear();
    releaseUpload();
    asio::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_socket.close(ignored);
    m_camera.forget(this);
}

std::uint32_t Session::nextSequence()
{
    m_sequence = m_sequence == 0xFFFFFFFFu ? 1 : m_sequence + 1;
    return m_sequence;
}

} // namespace vexlo::ipcsim
