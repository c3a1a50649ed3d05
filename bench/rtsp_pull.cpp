#include "bench/rtsp_pull.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vexlo::bench {

namespace {

// A reply head longer than this is taken for a broken peer.
constexpr std::size_t kMaxReplyHeadBytes = 64 * 1024;
constexpr std::size_t kReadChunkBytes = 64 * 1024;
constexpr std::string_view kUserAgent = "vexlo-rtsp-bench";

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::optional<long> numberAt(std::string_view text)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data())
        return std::nullopt;
    return value;
}

// `control` from a session description, against the base of the DESCRIBE answer.
std::string resolveControl(const std::string& base, std::string_view control)
{
    if (control.empty() || control == "*")
        return base;
    if (control.starts_with("rtsp://"))
        return std::string(control);
    return base + (base.ends_with('/') ? "" : "/") + std::string(control);
}

struct TrackControls
{
    std::string session;              // a=control of the session; empty when there is none
    std::optional<std::string> video; // a=control of the first video section
};

TrackControls findControls(std::string_view sdp)
{
    TrackControls controls;
    enum class Section
    {
        Session,
        Video,
        Other
    } section = Section::Session;
    bool videoSeen = false;
    while (!sdp.empty()) {
        const auto end = sdp.find('\n');
        const std::string_view line = trimmed(sdp.substr(0, end));
        sdp.remove_prefix(end == std::string_view::npos ? sdp.size() : end + 1);
        if (line.starts_with("m=")) {
            section = line.starts_with("m=video") && !videoSeen ? Section::Video : Section::Other;
            videoSeen = videoSeen || section == Section::Video;
            if (section == Section::Video)
                controls.video = "";
        } else if (line.starts_with("a=control:")) {
            const std::string value(trimmed(line.substr(10)));
            if (section == Section::Session)
                controls.session = value;
            else if (section == Section::Video && controls.video->empty())
                controls.video = value;
        }
    }
    return controls;
}

} // namespace

std::optional<std::string> RtspPull::Reply::header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (sameText(key, name))
            return value;
    }
    return std::nullopt;
}

std::vector<std::string> RtspPull::Reply::headerValues(std::string_view name) const
{
    std::vector<std::string> values;
    for (const auto& [key, value] : headers) {
        if (sameText(key, name))
            values.push_back(value);
    }
    return values;
}

std::shared_ptr<RtspPull> RtspPull::create(asio::io_context& io, PullTarget target)
{
    return std::shared_ptr<RtspPull>(new RtspPull(io, std::move(target)));
}

RtspPull::RtspPull(asio::io_context& io, PullTarget target)
    : m_strand(asio::make_strand(io)), m_socket(m_strand), m_keepAlive(m_strand),
      m_target(std::move(target)), m_uri("rtsp://" + m_target.address + ":" +
                                         std::to_string(m_target.port) + "/" + m_target.stream),
      m_chunk(kReadChunkBytes)
{
}

void RtspPull::start()
{
    m_started = Clock::now();
    asio::post(m_strand, [self = shared_from_this()] {
        std::error_code error;
        const auto address = asio::ip::make_address_v4(self->m_target.address, error);
        if (error) {
            self->fail("bad address " + self->m_target.address);
            return;
        }
        self->m_socket.async_connect(
            asio::ip::tcp::endpoint(address, self->m_target.port),
            [self](const std::error_code& connected) { self->onConnected(connected); });
    });
}

void RtspPull::stop()
{
    asio::post(m_strand, [self = shared_from_this()] {
        self->m_step = Step::Done;
        self->m_playing = false;
        std::error_code ignored;
        self->m_socket.close(ignored);
        self->m_keepAlive.cancel();
    });
}

std::optional<RtspPull::Clock::duration> RtspPull::timeToFirstPicture() const
{
    const std::int64_t ns = m_firstPictureNs.load();
    if (ns < 0)
        return std::nullopt;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns));
}

std::string RtspPull::failure() const
{
    std::lock_guard lock(m_failureMutex);
    return m_failure;
}

void RtspPull::onConnected(const std::error_code& error)
{
    if (m_step == Step::Done)
        return;
    if (error) {
        fail("connect: " + error.message());
        return;
    }
    m_step = Step::Options;
    readMore();
    sendRequest("OPTIONS", m_uri);
}

void RtspPull::sendRequest(const std::string& method, const std::string& uri,
                           const std::vector<std::string>& headers)
{
    std::string text = method + " " + uri + " RTSP/1.0\r\nCSeq: " + std::to_string(++m_cseq) +
                       "\r\nUser-Agent: " + std::string(kUserAgent) + "\r\n";
    if (m_challenge && method != "OPTIONS") {
        const auto authorization = onvif::buildAuthorization(
            *m_challenge, m_target.user, m_target.password, method, uri, ++m_nonceCount);
        if (!authorization) {
            fail("cannot answer the camera's Digest challenge");
            return;
        }
        text += "Authorization: " + *authorization + "\r\n";
    }
    for (const auto& header : headers)
        text += header + "\r\n";
    m_outbox.push_back(text + "\r\n");
    if (m_outbox.size() == 1)
        writeNext();
}

void RtspPull::writeNext()
{
    asio::async_write(m_socket, asio::buffer(m_outbox.front()),
                      [self = shared_from_this()](const std::error_code& error, std::size_t) {
                          if (self->m_step == Step::Done)
                              return;
                          if (error) {
                              self->fail("write: " + error.message());
                              return;
                          }
                          self->m_outbox.pop_front();
                          if (!self->m_outbox.empty())
                              self->writeNext();
                      });
}

void RtspPull::readMore()
{
    m_socket.async_read_some(
        asio::buffer(m_chunk),
        [self = shared_from_this()](const std::error_code& error, std::size_t size) {
            if (self->m_step == Step::Done)
                return;
            if (error) {
                self->fail(error == asio::error::eof ? "the camera closed the connection"
                                                     : "read: " + error.message());
                return;
            }
            self->m_input.append(self->m_chunk.data(), size);
            self->takeInput();
            if (self->m_step != Step::Done)
                self->readMore();
        });
}

void RtspPull::takeInput()
{
    std::size_t at = 0;
    while (at < m_input.size() && m_step != Step::Done) {
        const std::string_view rest = std::string_view(m_input).substr(at);
        if (rest[0] == '$') {
            if (rest.size() < 4)
                break;
            const std::size_t length =
                (static_cast<std::size_t>(static_cast<std::uint8_t>(rest[2])) << 8) |
                static_cast<std::uint8_t>(rest[3]);
            if (rest.size() < 4 + length)
                break;
            onPacket(static_cast<std::uint8_t>(rest[1]),
                     reinterpret_cast<const std::uint8_t*>(rest.data() + 4), length);
            at += 4 + length;
            continue;
        }
        constexpr std::string_view kVersion = "RTSP/1.0 ";
        if (!kVersion.starts_with(rest.substr(0, kVersion.size()))) {
            fail("the camera sent neither an answer nor an interleaved packet");
            return;
        }
        Reply reply;
        const std::size_t size = parseReply(rest, reply);
        if (size == 0) {
            if (rest.size() > kMaxReplyHeadBytes)
                fail("an answer longer than " + std::to_string(kMaxReplyHeadBytes) + " bytes");
            break;
        }
        at += size;
        onReply(reply);
    }
    m_input.erase(0, at);
}

std::size_t RtspPull::parseReply(std::string_view text, Reply& reply)
{
    const auto headEnd = text.find("\r\n\r\n");
    if (headEnd == std::string_view::npos)
        return 0;
    std::string_view head = text.substr(0, headEnd + 2);
    auto lineEnd = head.find("\r\n");
    const std::string_view statusLine = head.substr(0, lineEnd);
    reply.status = statusLine.size() >= 12
                       ? static_cast<int>(numberAt(statusLine.substr(9, 3)).value_or(-1))
                       : -1;
    head.remove_prefix(lineEnd + 2);
    while (!head.empty()) {
        lineEnd = head.find("\r\n");
        const std::string_view line = head.substr(0, lineEnd);
        head.remove_prefix(lineEnd + 2);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos)
            reply.headers.emplace_back(std::string(trimmed(line.substr(0, colon))),
                                       std::string(trimmed(line.substr(colon + 1))));
    }
    std::size_t bodySize = 0;
    if (const auto length = reply.header("Content-Length")) {
        const auto value = numberAt(*length);
        if (!value || *value < 0) {
            reply.status = -1;
        } else {
            bodySize = static_cast<std::size_t>(*value);
        }
    }
    const std::size_t total = headEnd + 4 + bodySize;
    if (text.size() < total)
        return 0;
    reply.body = std::string(text.substr(headEnd + 4, bodySize));
    return total;
}

void RtspPull::onReply(const Reply& reply)
{
    if (reply.status < 0) {
        fail("an answer that could not be read");
        return;
    }
    if (reply.header("CSeq") != std::to_string(m_cseq)) {
        fail("an answer out of turn");
        return;
    }
    switch (m_step) {
    case Step::Options:
        if (reply.status != 200) {
            fail("OPTIONS answered " + std::to_string(reply.status));
            return;
        }
        m_step = Step::Describe;
        sendRequest("DESCRIBE", m_uri, {"Accept: application/sdp"});
        return;
    case Step::Describe:
        if (reply.status == 401 && !m_answeredChallenge) {
            m_challenge = onvif::preferredChallenge(reply.headerValues("WWW-Authenticate"));
            if (!m_challenge) {
                fail("DESCRIBE answered 401 without a Digest challenge to answer");
                return;
            }
            m_answeredChallenge = true;
            m_nonceCount = 0;
            sendRequest("DESCRIBE", m_uri, {"Accept: application/sdp"});
            return;
        }
        if (reply.status != 200) {
            fail("DESCRIBE answered " + std::to_string(reply.status) +
                 (m_answeredChallenge ? " with credentials" : ""));
            return;
        }
        onDescribed(reply);
        return;
    case Step::Setup: {
        if (reply.status != 200) {
            fail("SETUP answered " + std::to_string(reply.status));
            return;
        }
        const std::string session = reply.header("Session").value_or("");
        m_session = session.substr(0, session.find(';'));
        if (m_session.empty()) {
            fail("SETUP answered without a session");
            return;
        }
        if (const auto at = session.find("timeout="); at != std::string::npos) {
            if (const auto seconds = numberAt(std::string_view(session).substr(at + 8));
                seconds && *seconds > 0)
                m_sessionTimeout = std::chrono::seconds(*seconds);
        }
        const std::string transport = reply.header("Transport").value_or("");
        const auto at = transport.find("interleaved=");
        const auto channel = at == std::string::npos
                                 ? std::nullopt
                                 : numberAt(std::string_view(transport).substr(at + 12));
        if (!channel || *channel < 0 || *channel > 255) {
            fail("SETUP answered without an interleaved channel: " + transport);
            return;
        }
        m_videoChannel = static_cast<int>(*channel);
        m_step = Step::Play;
        sendRequest("PLAY", m_playUri, {"Session: " + m_session, "Range: npt=0.000-"});
        return;
    }
    case Step::Play:
        if (reply.status != 200) {
            fail("PLAY answered " + std::to_string(reply.status));
            return;
        }
        m_step = Step::Playing;
        m_playing = true;
        scheduleKeepAlive();
        return;
    case Step::Playing:
        if (reply.status != 200)
            fail("GET_PARAMETER answered " + std::to_string(reply.status));
        return;
    case Step::Connecting:
    case Step::Done:
        return;
    }
}

void RtspPull::onDescribed(const Reply& reply)
{
    std::string base = reply.header("Content-Base").value_or("");
    if (base.empty())
        base = reply.header("Content-Location").value_or(m_uri);
    const TrackControls controls = findControls(reply.body);
    if (!controls.video) {
        fail("no video track in the session description");
        return;
    }
    m_setupUri = resolveControl(base, *controls.video);
    m_playUri = resolveControl(base, controls.session);
    m_step = Step::Setup;
    sendRequest("SETUP", m_setupUri, {"Transport: RTP/AVP/TCP;unicast;interleaved=0-1"});
}

void RtspPull::onPacket(std::uint8_t channel, const std::uint8_t* data, std::size_t size)
{
    if (channel != m_videoChannel || size < 12 || (data[0] >> 6) != 2)
        return;
    const auto sequence = static_cast<std::uint16_t>((data[2] << 8) | data[3]);
    if (m_lastSequence && sequence != static_cast<std::uint16_t>(*m_lastSequence + 1))
        ++m_gaps;
    m_lastSequence = sequence;
    if ((data[1] & 0x80) == 0)
        return;
    if (m_pictures.load() == 0) {
        m_firstPictureNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - m_started).count();
    }
    ++m_pictures;
}

void RtspPull::scheduleKeepAlive()
{
    m_keepAlive.expires_after(
        std::max<Clock::duration>(m_sessionTimeout / 2, std::chrono::seconds(1)));
    m_keepAlive.async_wait([self = shared_from_this()](const std::error_code& error) {
        if (error || self->m_step != Step::Playing)
            return;
        self->sendRequest("GET_PARAMETER", self->m_playUri, {"Session: " + self->m_session});
        self->scheduleKeepAlive();
    });
}

void RtspPull::fail(std::string why)
{
    if (m_step == Step::Done)
        return;
    m_step = Step::Done;
    m_playing = false;
    {
        std::lock_guard lock(m_failureMutex);
        m_failure = std::move(why);
    }
    std::error_code ignored;
    m_socket.close(ignored);
    m_keepAlive.cancel();
}

} // namespace vexlo::bench
