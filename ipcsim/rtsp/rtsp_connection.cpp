#include "ipcsim/rtsp/rtsp_connection.h"

#include "ipcsim/rtsp/annex_b.h"
#include "ipcsim/rtsp/h264_packetizer.h"
#include "ipcsim/rtsp/request_target.h"
#include "ipcsim/rtsp/sdp.h"
#include "ipcsim/rtsp/transport_header.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace vexlo::ipcsim::rtsp {

namespace {

constexpr std::size_t kReadChunk = 16 * 1024;
constexpr std::string_view kServerName = "Vexlo ipcsim";
constexpr std::string_view kPublicMethods =
    "OPTIONS, DESCRIBE, SETUP, PLAY, TEARDOWN, GET_PARAMETER";
// After a stall (a busy machine, a debugger) the stream goes on from now
// instead of sending every missed frame at once.
constexpr std::chrono::seconds kMaxLag{1};

std::uint64_t randomNumber()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return generator();
}

std::string hex(std::uint64_t value, int digits)
{
    char text[17] = {};
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

int clampedRate(const StreamContent& content)
{
    return std::clamp(content.framesPerSecond, 1, 1000);
}

} // namespace

const std::array<RtspConnection::Method, 11> RtspConnection::kMethods{{
    {"OPTIONS", &RtspConnection::onOptions},
    {"DESCRIBE", &RtspConnection::onDescribe},
    {"SETUP", &RtspConnection::onSetup},
    {"PLAY", &RtspConnection::onPlay},
    {"TEARDOWN", &RtspConnection::onTeardown},
    {"GET_PARAMETER", &RtspConnection::onGetParameter},
    {"PAUSE", nullptr},
    {"SET_PARAMETER", nullptr},
    {"ANNOUNCE", nullptr},
    {"RECORD", nullptr},
    {"REDIRECT", nullptr},
}};

RtspConnection::RtspConnection(asio::ip::tcp::socket socket,
                               std::shared_ptr<const ServerSettings> settings)
    : m_socket(std::move(socket)), m_settings(std::move(settings)), m_readBuffer(kReadChunk),
      m_idleTimer(m_socket.get_executor()), m_frameTimer(m_socket.get_executor())
{
}

void RtspConnection::start()
{
    // Onto the strand first, so that a stop() right after the accept is
    // ordered after everything begin() sets up.
    asio::post(m_socket.get_executor(), [self = shared_from_this()] { self->begin(); });
}

void RtspConnection::begin()
{
    if (m_finished) {
        return;
    }
    asio::error_code ignored;
    m_socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    const auto local = m_socket.local_endpoint(ignored);
    const auto address = local.address().to_string();
    m_localAddress = (local.address().is_v6() ? "[" + address + "]" : address) + ":" +
                     std::to_string(local.port());
    m_lastReceived = std::chrono::steady_clock::now();
    scheduleIdleCheck();
    // Requests are read once the content is known, so every handler can
    // answer at once.
    auto ready = [weak = weak_from_this(), executor = m_socket.get_executor()](
                     std::shared_ptr<const StreamContent> content) {
        asio::post(executor, [weak, content = std::move(content)]() mutable {
            if (auto self = weak.lock()) {
                self->onContent(std::move(content));
            }
        });
    };
    if (m_settings->content) {
        m_settings->content(std::move(ready));
    } else {
        ready(nullptr);
    }
}

void RtspConnection::stop()
{
    asio::post(m_socket.get_executor(), [self = shared_from_this()] { self->finish(); });
}

void RtspConnection::onContent(std::shared_ptr<const StreamContent> content)
{
    if (m_finished || m_contentArrived) {
        return;
    }
    m_contentArrived = true;
    if (content && !content->video.empty()) {
        m_content = std::move(content);
    }
    readMore();
}

void RtspConnection::readMore()
{
    m_socket.async_read_some(
        asio::buffer(m_readBuffer),
        [self = shared_from_this()](const asio::error_code& error, std::size_t size) {
            self->onRead(error, size);
        });
}

void RtspConnection::onRead(const asio::error_code& error, std::size_t size)
{
    if (m_finished) {
        return;
    }
    if (error) {
        finish();
        return;
    }
    m_lastReceived = std::chrono::steady_clock::now();
    m_parser.feed(std::span<const std::uint8_t>(m_readBuffer.data(), size));
    for (;;) {
        auto result = m_parser.next();
        if (result.kind == RequestParser::Kind::NeedMore) {
            break;
        }
        if (result.kind == RequestParser::Kind::Error) {
            refuse(result.status, result.cseq);
            return;
        }
        handle(result.request);
        if (m_finished || m_closeWhenWritten) {
            return;
        }
    }
    readMore();
}

void RtspConnection::handle(const Request& request)
{
    const auto method = std::find_if(kMethods.begin(), kMethods.end(),
                                     [&](const Method& m) { return m.name == request.method; });
    if (method == kMethods.end()) {
        reply(&request, Response(501));
        return;
    }
    if (!method->handler) {
        Response response(405);
        response.add("Allow", kPublicMethods);
        reply(&request, std::move(response));
        return;
    }
    if (method->handler != &RtspConnection::onOptions && m_settings->authorize &&
        !m_settings->authorize(request)) {
        Response response(401);
        if (m_settings->challenge) {
            for (const auto& challenge : m_settings->challenge(request)) {
                response.add("WWW-Authenticate", challenge);
            }
        }
        reply(&request, std::move(response));
        return;
    }
    reply(&request, (this->*(method->handler))(request));
}

// Every answer leaves through here, refusals included.
void RtspConnection::reply(const Request* request, Response response)
{
    Response full(response.status());
    if (request) {
        full.add("CSeq", request->cseq);
    }
    full.add("Server", kServerName);
    if (!m_session.empty() && response.status() != 454) {
        full.add("Session",
                 m_session + ";timeout=" + std::to_string(m_settings->sessionTimeout.count()));
    }
    for (const auto& [name, value] : response.headers()) {
        full.add(name, value);
    }
    full.setBody(response.body());
    const std::string text = full.serialize();
    queue(std::vector<std::uint8_t>(text.begin(), text.end()));
}

void RtspConnection::refuse(int status, const std::string& cseq)
{
    Request request;
    request.cseq = cseq;
    reply(cseq.empty() ? nullptr : &request, Response(status));
    // After bytes that make no sense there is no telling where the next
    // request begins: the connection ends once the answer is out.
    m_closeWhenWritten = true;
    m_frameTimer.cancel();
    m_state = State::Init;
    writeNext();
}

Response RtspConnection::onOptions(const Request&)
{
    Response response;
    response.add("Public", kPublicMethods);
    return response;
}

Response RtspConnection::onDescribe(const Request& request)
{
    const auto target = parseRequestTarget(request.uri);
    const auto& streams = m_settings->streams;
    if (!target || target->track != kAggregate ||
        std::find(streams.begin(), streams.end(), target->stream) == streams.end()) {
        return Response(404);
    }
    if (!m_content) {
        return Response(503);
    }
    auto sets = findParameterSets(m_content->video.front().bytes);
    if (!sets) {
        return Response(500);
    }
    SessionDescription description;
    asio::error_code ignored;
    description.address = m_socket.local_endpoint(ignored).address().to_string();
    description.sessionId = randomNumber() >> 1;
    description.name = m_content->name;
    description.video = std::move(*sets);
    description.audio = !m_content->audio.empty();

    Response response;
    response.add("Content-Base", contentBase(target->stream));
    response.setBody("application/sdp", makeSdp(description));
    return response;
}

Response RtspConnection::onSetup(const Request& request)
{
    if (m_state == State::Playing) {
        return Response(455); // no transport changes while packets flow
    }
    const auto target = parseRequestTarget(request.uri);
    const auto& streams = m_settings->streams;
    if (!target || std::find(streams.begin(), streams.end(), target->stream) == streams.end()) {
        return Response(404);
    }
    if (!m_content) {
        return Response(503);
    }
    const bool hasAudio = !m_content->audio.empty();
    if (target->track != kVideoTrack && !(target->track == kAudioTrack && hasAudio)) {
        return Response(404);
    }
    if (m_session.empty() ? request.header("Session").has_value() : !sessionMatches(request)) {
        return Response(454);
    }
    if (!m_stream.empty() && target->stream != m_stream) {
        return Response(459);
    }
    const auto transport = request.header("Transport");
    const auto offer = transport ? findTcpTransport(*transport) : std::nullopt;
    if (!offer) {
        Response response(461);
        response.add("Transport", "RTP/AVP/TCP;unicast");
        return response;
    }
    const auto base = static_cast<std::uint8_t>(target->track * 2);
    const InterleavedChannels channels =
        offer->channels.value_or(InterleavedChannels{base, static_cast<std::uint8_t>(base + 1)});
    const auto& other = target->track == kVideoTrack ? m_audio : m_video;
    if (other && other->writer.channel() == channels.rtp) {
        return Response(461); // two tracks cannot share a channel
    }

    const bool video = target->track == kVideoTrack;
    Track track{InterleavedTrack(channels.rtp, video ? kPayloadTypeH264 : kPayloadTypePcma,
                                 static_cast<std::uint32_t>(randomNumber()),
                                 static_cast<std::uint16_t>(randomNumber())),
                static_cast<std::uint32_t>(randomNumber())};
    (video ? m_video : m_audio) = track;
    if (m_session.empty()) {
        m_session = hex(randomNumber(), 16);
    }
    m_stream = target->stream;
    m_state = State::Ready;

    Response response;
    response.add("Transport", "RTP/AVP/TCP;unicast;interleaved=" + std::to_string(channels.rtp) +
                                  "-" + std::to_string(channels.rtcp) +
                                  ";ssrc=" + hex(track.writer.ssrc(), 8));
    return response;
}

Response RtspConnection::onPlay(const Request& request)
{
    if (m_state == State::Init) {
        return Response(455);
    }
    if (!sessionMatches(request)) {
        return Response(454);
    }
    const auto target = parseRequestTarget(request.uri);
    if (!target || target->stream != m_stream) {
        return Response(404);
    }
    Response response;
    response.add("Range", "npt=0.000-");
    if (m_state != State::Playing) {
        m_frames = 0;
    }
    response.add("RTP-Info", rtpInfo(m_stream));
    if (m_state != State::Playing) {
        startPlaying(); // the first packets follow this answer in the write queue
    }
    return response;
}

Response RtspConnection::onTeardown(const Request& request)
{
    if (!sessionMatches(request)) {
        return Response(454);
    }
    m_frameTimer.cancel();
    ++m_playGeneration;
    m_state = State::Init;
    m_video.reset();
    m_audio.reset();
    m_stream.clear();
    m_session.clear();
    return Response();
}

Response RtspConnection::onGetParameter(const Request& request)
{
    // Without a Session header it is a plain keep-alive.
    if (request.header("Session") && !sessionMatches(request)) {
        return Response(454);
    }
    return Response();
}

bool RtspConnection::sessionMatches(const Request& request) const
{
    const auto value = request.header("Session");
    if (!value || m_session.empty()) {
        return false;
    }
    return trim(value->substr(0, value->find(';'))) == m_session;
}

std::string RtspConnection::contentBase(const std::string& stream) const
{
    return "rtsp://" + m_localAddress + "/" + stream + "/";
}

std::string RtspConnection::rtpInfo(const std::string& stream) const
{
    std::string info;
    const auto add = [&](const Track& track, int id, std::uint32_t timestamp) {
        if (!info.empty()) {
            info += ",";
        }
        info += "url=" + contentBase(stream) + trackControl(id) +
                ";seq=" + std::to_string(track.writer.nextSequence()) +
                ";rtptime=" + std::to_string(timestamp);
    };
    if (m_video) {
        add(*m_video, kVideoTrack, videoTimestamp());
    }
    if (m_audio) {
        add(*m_audio, kAudioTrack, audioTimestamp());
    }
    return info;
}

void RtspConnection::startPlaying()
{
    m_state = State::Playing;
    ++m_playGeneration;
    m_nextFrame = std::chrono::steady_clock::now();
    m_frameTimer.expires_at(m_nextFrame);
    m_frameTimer.async_wait(
        [self = shared_from_this(), generation = m_playGeneration](const asio::error_code& error) {
            if (!error && generation == self->m_playGeneration) {
                self->sendFrame();
            }
        });
}

void RtspConnection::scheduleFrame()
{
    // Pictures keep the real rate whatever the time scale, as on the home
    // protocol's streams: a person watches them, and a faster stream would
    // only flood the decoder.
    const auto interval = std::chrono::milliseconds(1000 / clampedRate(*m_content));
    const auto now = std::chrono::steady_clock::now();
    m_nextFrame += std::chrono::duration_cast<std::chrono::steady_clock::duration>(interval);
    if (m_nextFrame + kMaxLag < now) {
        m_nextFrame = now;
    }
    m_frameTimer.expires_at(m_nextFrame);
    m_frameTimer.async_wait(
        [self = shared_from_this(), generation = m_playGeneration](const asio::error_code& error) {
            if (!error && generation == self->m_playGeneration) {
                self->sendFrame();
            }
        });
}

void RtspConnection::sendFrame()
{
    if (m_finished || m_state != State::Playing || !m_content) {
        return;
    }
    const StreamContent& content = *m_content;
    if (m_video) {
        const VideoUnit& unit = content.video[m_frames % content.video.size()];
        std::vector<std::uint8_t> packets;
        for (const auto& payload : packetizeH264(unit.bytes, m_settings->maxPayload)) {
            m_video->writer.append(packets, payload.bytes, videoTimestamp(), payload.marker);
        }
        queue(std::move(packets)); // the whole access unit in one write
    }
    if (m_audio && !content.audio.empty() && !m_finished) {
        const std::size_t samples =
            kAudioClockRate / static_cast<std::uint32_t>(clampedRate(content));
        std::vector<std::uint8_t> payload(samples);
        const std::size_t start = (m_frames * samples) % content.audio.size();
        for (std::size_t i = 0; i < samples; ++i) {
            payload[i] = content.audio[(start + i) % content.audio.size()];
        }
        std::vector<std::uint8_t> packet;
        // The marker starts a talkspurt: the first packet of the stream.
        m_audio->writer.append(packet, payload, audioTimestamp(), m_frames == 0);
        queue(std::move(packet));
    }
    if (m_finished) {
        return;
    }
    ++m_frames;
    scheduleFrame();
}

std::uint32_t RtspConnection::videoTimestamp() const
{
    const auto step = kVideoClockRate / static_cast<std::uint32_t>(clampedRate(*m_content));
    return m_video->timestampBase + static_cast<std::uint32_t>(m_frames * step);
}

std::uint32_t RtspConnection::audioTimestamp() const
{
    const auto step = kAudioClockRate / static_cast<std::uint32_t>(clampedRate(*m_content));
    return m_audio->timestampBase + static_cast<std::uint32_t>(m_frames * step);
}

void RtspConnection::scheduleIdleCheck()
{
    m_idleTimer.expires_at(m_lastReceived + m_settings->sessionTimeout);
    m_idleTimer.async_wait([self = shared_from_this()](const asio::error_code& error) {
        if (error || self->m_finished) {
            return;
        }
        if (std::chrono::steady_clock::now() >=
            self->m_lastReceived + self->m_settings->sessionTimeout) {
            self->finish();
        } else {
            self->scheduleIdleCheck();
        }
    });
}

void RtspConnection::queue(std::vector<std::uint8_t> bytes)
{
    if (m_finished || bytes.empty()) {
        return;
    }
    if (m_queuedBytes + bytes.size() > m_settings->maxQueuedBytes) {
        finish(); // the client stopped reading
        return;
    }
    m_queuedBytes += bytes.size();
    m_writeQueue.push_back(std::move(bytes));
    writeNext();
}

void RtspConnection::writeNext()
{
    if (m_writing || m_finished) {
        return;
    }
    if (m_writeQueue.empty()) {
        if (m_closeWhenWritten) {
            finish();
        }
        return;
    }
    m_writing = true;
    asio::async_write(m_socket, asio::buffer(m_writeQueue.front()),
                      [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                          self->m_writing = false;
                          if (self->m_finished) {
                              return;
                          }
                          if (error) {
                              self->finish();
                              return;
                          }
                          self->m_queuedBytes -= self->m_writeQueue.front().size();
                          self->m_writeQueue.pop_front();
                          self->writeNext();
                      });
}

void RtspConnection::finish()
{
    if (m_finished) {
        return;
    }
    m_finished = true;
    ++m_playGeneration;
    m_idleTimer.cancel();
    m_frameTimer.cancel();
    asio::error_code ignored;
    m_socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    m_socket.close(ignored);
    // The queue is released when the write in flight has completed; until
    // then its buffer must stay where it is.
    if (!m_writing) {
        m_writeQueue.clear();
    }
}

} // namespace vexlo::ipcsim::rtsp
