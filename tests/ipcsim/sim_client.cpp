#include "sim_client.h"

#include "platform/receive_buffer.h"
#include "protocol/command_codes.h"
#include "protocol/login_proof.h"
#include "protocol/wire.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {

using namespace vexlo::protocol;
using Clock = std::chrono::steady_clock;

namespace {

sockaddr_in loopbackAddress(const std::string& address, std::uint16_t port)
{
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &in.sin_addr) != 1 ||
        (ntohl(in.sin_addr.s_addr) >> 24) != 127) {
        throw std::invalid_argument("the test client talks to 127.0.0.0/8 only: " + address);
    }
    return in;
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

// --- SearchClient ----------------------------------------------------------------

SearchClient::SearchClient() : m_fd(socket(AF_INET, SOCK_DGRAM, 0))
{
    const sockaddr_in local = loopbackAddress("127.0.0.1", 0);
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("cannot open the test search socket");
    }
    // A whole site answers a probe at once; the answers wait here until read.
    vexlo::requestReceiveBuffer(m_fd, kSearchReceiveBufferBytes, "test search client");
}

SearchClient::~SearchClient()
{
    close(m_fd);
}

void SearchClient::sendRaw(std::uint16_t port, const std::vector<std::uint8_t>& datagram)
{
    const sockaddr_in to = loopbackAddress("127.0.0.1", port);
    sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
}

void SearchClient::probe(std::uint16_t port, std::uint32_t searchId)
{
    sendRaw(port, SearchProbe{searchId}.encode());
}

std::optional<std::pair<std::vector<std::uint8_t>, std::string>>
SearchClient::receive(Millis timeout)
{
    pollfd fd{m_fd, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(4096);
    sockaddr_in from{};
    socklen_t fromSize = sizeof from;
    const auto size = recvfrom(m_fd, buffer.data(), buffer.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (size < 0) {
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(size));
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return std::make_pair(std::move(buffer), std::string(text));
}

std::vector<ReceivedReply> SearchClient::collect(std::uint32_t searchId, std::size_t count,
                                                 Millis timeout)
{
    std::vector<ReceivedReply> replies;
    const auto deadline = Clock::now() + timeout;
    while (replies.size() < count && Clock::now() < deadline) {
        auto datagram = receive(Millis(remainingMs(deadline)));
        if (!datagram) {
            continue;
        }
        auto reply = SearchReply::decode(datagram->first);
        if (reply && reply->searchId == searchId) {
            replies.push_back({std::move(*reply), datagram->second});
        }
    }
    return replies;
}

std::optional<ReceivedReply>
SearchClient::searchUntil(std::uint16_t port,
                          const std::function<bool(const ReceivedReply&)>& accept, Millis timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        const std::uint32_t id = ++m_nextSearchId;
        probe(port, id);
        const auto roundEnd = std::min(deadline, Clock::now() + 200ms);
        while (Clock::now() < roundEnd) {
            auto datagram = receive(Millis(remainingMs(roundEnd)));
            if (!datagram) {
                continue;
            }
            auto reply = SearchReply::decode(datagram->first);
            if (reply && reply->searchId == id) {
                ReceivedReply received{std::move(*reply), datagram->second};
                if (accept(received)) {
                    return received;
                }
            }
        }
    }
    return std::nullopt;
}

std::optional<ModifyIpReply> SearchClient::modifyIp(std::uint16_t port, const ModifyIp& request,
                                                    Millis timeout)
{
    sendRaw(port, request.encode());
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        auto datagram = receive(Millis(remainingMs(deadline)));
        if (!datagram) {
            continue;
        }
        auto reply = ModifyIpReply::decode(datagram->first);
        if (reply && reply->requestId == request.requestId) {
            return reply;
        }
    }
    return std::nullopt;
}

// --- TestSession -----------------------------------------------------------------

TestSession::~TestSession()
{
    m_stop = true;
    if (m_reader.joinable()) {
        m_reader.join();
    }
    if (m_fd >= 0) {
        close(m_fd);
    }
}

bool TestSession::connect(const std::string& address, std::uint16_t port, Millis timeout)
{
    const sockaddr_in to = loopbackAddress(address, port);
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    fcntl(m_fd, F_SETFL, O_NONBLOCK);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (errno != EINPROGRESS) {
            return false;
        }
        pollfd fd{m_fd, POLLOUT, 0};
        if (poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) {
            return false;
        }
        int error = 0;
        socklen_t size = sizeof error;
        getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            return false;
        }
    }
    fcntl(m_fd, F_SETFL, 0);
    const int on = 1;
    setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_reader = std::thread([this] { readLoop(); });
    return true;
}

void TestSession::sendRaw(const std::vector<std::uint8_t>& bytes)
{
    std::lock_guard lock(m_writeMutex);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const auto n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

void TestSession::send(const Message& message)
{
    std::vector<std::uint8_t> frame;
    {
        std::lock_guard lock(m_writeMutex);
        frame = encodeMessage(message, ++m_sequence);
    }
    sendRaw(frame);
}

std::uint32_t TestSession::command(std::uint32_t code, CallKind kind, std::string text)
{
    Command command;
    command.code = code;
    command.kind = kind;
    command.text = std::move(text);
    std::vector<std::uint8_t> frame;
    std::uint32_t sequence = 0;
    {
        std::lock_guard lock(m_writeMutex);
        sequence = ++m_sequence;
        frame = encodeMessage(command, sequence);
    }
    sendRaw(frame);
    return sequence;
}

std::optional<LoginStatus> TestSession::login(const std::string& user, const std::string& password,
                                              Millis timeout)
{
    Hello hello;
    hello.userName = user;
    send(hello);
    const auto challenge = next<Challenge>(timeout);
    if (!challenge) {
        return std::nullopt;
    }
    send(LoginProof{computeLoginProof(password, challenge->nonce, user)});
    const auto result = next<LoginResult>(timeout);
    return result ? std::optional(result->status) : std::nullopt;
}

std::optional<Message> TestSession::waitFor(const std::function<bool(const Message&)>& accept,
                                            Millis timeout)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = Clock::now() + timeout;
    while (true) {
        for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
            if (accept(*it)) {
                Message found = std::move(*it);
                m_queue.erase(it);
                return found;
            }
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            return std::nullopt;
        }
    }
}

std::optional<Answer> TestSession::answerTo(std::uint32_t code, Millis timeout)
{
    auto message = waitFor(
        [code](const Message& m) {
            const auto* answer = std::get_if<Answer>(&m);
            return answer != nullptr && commandOf(answer->code) == code;
        },
        timeout);
    return message ? std::optional(std::get<Answer>(*message)) : std::nullopt;
}

bool TestSession::waitClosed(Millis timeout)
{
    return waitUntil([this] { return m_closed.load(); }, timeout);
}

void TestSession::readLoop()
{
    FrameReader reader;
    std::vector<std::uint8_t> buffer(64 * 1024);
    while (!m_stop) {
        pollfd fd{m_fd, POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0) {
            continue;
        }
        const auto size = recv(m_fd, buffer.data(), buffer.size(), 0);
        if (size <= 0) {
            break;
        }
        reader.feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(size)));
        while (auto frame = reader.next()) {
            ++m_frames;
            auto message = decodeMessage(*frame);
            if (!message) {
                continue;
            }
            if (const auto* ping = std::get_if<Ping>(&*message)) {
                send(Pong{ping->token});
                continue;
            }
            std::lock_guard lock(m_mutex);
            m_queue.push_back(std::move(*message));
            m_changed.notify_all();
        }
        if (reader.failed()) {
            break;
        }
    }
    m_closed = true;
    std::lock_guard lock(m_mutex);
    m_changed.notify_all();
}

} // namespace simtest
