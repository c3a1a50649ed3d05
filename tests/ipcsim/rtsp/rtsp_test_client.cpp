#include "rtsp_test_client.h"

#include "tests/support/wait.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace rtsptest {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

RtspTestClient::RtspTestClient(const std::string& address, std::uint16_t port, int receiveBuffer)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        throw std::runtime_error("socket");
    }
    if (receiveBuffer > 0) {
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1 ||
        ::connect(m_fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RtspTestClient::~RtspTestClient()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void RtspTestClient::sendRaw(const std::string& text)
{
    std::size_t sent = 0;
    while (m_fd >= 0 && sent < text.size()) {
        const auto n = ::send(m_fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

Reply RtspTestClient::request(const std::string& method, const std::string& uri,
                              const std::vector<std::string>& headers)
{
    std::string text =
        method + " " + uri + " RTSP/1.0\r\nCSeq: " + std::to_string(++m_cseq) + "\r\n";
    for (const auto& header : headers) {
        text += header + "\r\n";
    }
    sendRaw(text + "\r\n");
    auto reply = readReply();
    if (!reply) {
        return Reply{};
    }
    if (reply->header("CSeq") != std::to_string(m_cseq)) {
        reply->status = -1; // answered out of turn
    }
    return *reply;
}

std::optional<Reply> RtspTestClient::readReply()
{
    for (;;) {
        while (!m_buffer.empty() && m_buffer[0] == '$') {
            if (m_buffer.size() < 4) {
                break;
            }
            const std::size_t length = (static_cast<unsigned char>(m_buffer[2]) << 8) |
                                       static_cast<unsigned char>(m_buffer[3]);
            if (m_buffer.size() < 4 + length) {
                break;
            }
            m_early.push_back(
                Packet{static_cast<std::uint8_t>(m_buffer[1]),
                       {m_buffer.begin() + 4, m_buffer.begin() + 4 + static_cast<long>(length)}});
            m_buffer.erase(0, 4 + length);
        }
        const auto end = m_buffer.find("\r\n\r\n");
        if (!m_buffer.empty() && m_buffer[0] != '$' && end != std::string::npos) {
            Reply reply;
            const std::string head = m_buffer.substr(0, end + 2);
            std::size_t lineEnd = head.find("\r\n");
            const std::string statusLine = head.substr(0, lineEnd);
            if (!statusLine.starts_with("RTSP/1.0 ") || statusLine.size() < 12) {
                return std::nullopt;
            }
            reply.status = std::stoi(statusLine.substr(9, 3));
            std::size_t begin = lineEnd + 2;
            while (begin < head.size()) {
                lineEnd = head.find("\r\n", begin);
                const std::string line = head.substr(begin, lineEnd - begin);
                const auto colon = line.find(':');
                if (colon != std::string::npos) {
                    auto value = line.substr(colon + 1);
                    value.erase(0, value.find_first_not_of(' '));
                    reply.headers.emplace_back(line.substr(0, colon), value);
                }
                begin = lineEnd + 2;
            }
            const auto length = reply.header("Content-Length");
            const std::size_t bodySize = length.empty() ? 0 : std::stoul(length);
            while (m_buffer.size() < end + 4 + bodySize) {
                if (!fill()) {
                    return std::nullopt;
                }
            }
            reply.body = m_buffer.substr(end + 4, bodySize);
            m_buffer.erase(0, end + 4 + bodySize);
            return reply;
        }
        if (!fill()) {
            return std::nullopt;
        }
    }
}

std::optional<Packet> RtspTestClient::readPacket()
{
    if (!m_early.empty()) {
        Packet packet = std::move(m_early.front());
        m_early.erase(m_early.begin());
        return packet;
    }
    for (;;) {
        if (m_buffer.size() >= 4) {
            if (m_buffer[0] != '$') {
                return std::nullopt;
            }
            const std::size_t length = (static_cast<unsigned char>(m_buffer[2]) << 8) |
                                       static_cast<unsigned char>(m_buffer[3]);
            if (m_buffer.size() >= 4 + length) {
                Packet packet{
                    static_cast<std::uint8_t>(m_buffer[1]),
                    {m_buffer.begin() + 4, m_buffer.begin() + 4 + static_cast<long>(length)}};
                m_buffer.erase(0, 4 + length);
                return packet;
            }
        }
        if (!fill()) {
            return std::nullopt;
        }
    }
}

bool RtspTestClient::waitForClose()
{
    while (fill()) {
        m_buffer.clear();
    }
    // fill() is false on end of stream and on the deadline; tell them apart.
    char byte = 0;
    return m_fd < 0 || ::recv(m_fd, &byte, 1, MSG_DONTWAIT) == 0 ||
           (errno != EAGAIN && errno != EWOULDBLOCK);
}

bool RtspTestClient::fill()
{
    if (m_fd < 0) {
        return false;
    }
    const auto deadline = Clock::now() + vexlo::test::kDeadline;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{m_fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char chunk[16384];
        const auto n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return false;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(n));
        return true;
    }
}

} // namespace rtsptest
