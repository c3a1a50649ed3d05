#include "scripted_peer.h"

#include <arpa/inet.h>
#include <cctype>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace vexlo::onvif::test {

namespace {

int listenOnLoopback(std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the scripted peer cannot listen");
    port = ntohs(address.sin_port);
    return fd;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// One whole request from the front of `buffer`, removed from it; false while
// it has not all arrived.
bool takeRequest(std::string& buffer, PeerRequest& request)
{
    const std::size_t headEnd = buffer.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return false;
    request = PeerRequest{};
    std::size_t lineEnd = buffer.find("\r\n");
    const std::string first = buffer.substr(0, lineEnd);
    request.method = first.substr(0, first.find(' '));
    request.target = first.substr(first.find(' ') + 1, first.rfind(' ') - first.find(' ') - 1);
    std::size_t length = 0;
    while (lineEnd < headEnd) {
        const std::size_t next = buffer.find("\r\n", lineEnd + 2);
        const std::string line = buffer.substr(lineEnd + 2, next - lineEnd - 2);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers.emplace_back(lower(line.substr(0, colon)), value);
            if (request.headers.back().first == "content-length")
                length = std::stoul(value);
        }
        lineEnd = next;
    }
    if (buffer.size() < headEnd + 4 + length)
        return false;
    request.body = buffer.substr(headEnd + 4, length);
    buffer.erase(0, headEnd + 4 + length);
    return true;
}

std::string format(const PeerReply& reply)
{
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " Scripted\r\n";
    for (const std::string& line : reply.headers)
        out += line + "\r\n";
    out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
    return out + reply.body;
}

bool sendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string PeerRequest::header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (key == name)
            return value;
    }
    return {};
}

ScriptedPeer::ScriptedPeer(Script script) : m_script(std::move(script))
{
    m_listener = listenOnLoopback(m_port);
    if (!m_script)
        return;
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("the scripted peer cannot make its wake pipe");
    m_thread = std::thread([this] { serve(); });
}

ScriptedPeer::~ScriptedPeer()
{
    if (m_thread.joinable()) {
        const char stop = 0;
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (const int fd : {m_listener, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

std::string ScriptedPeer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::vector<PeerRequest> ScriptedPeer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void ScriptedPeer::serve()
{
    std::map<int, std::string> connections; // fd -> bytes not yet taken
    for (;;) {
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const auto& [fd, buffer] : connections)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            break;
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                connections.emplace(fd, std::string());
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const int fd = fds[i].fd;
            char chunk[65536];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            std::string& buffer = connections[fd];
            bool open = n > 0;
            if (open)
                buffer.append(chunk, static_cast<std::size_t>(n));
            PeerRequest request;
            while (open && takeRequest(buffer, request)) {
                {
                    std::lock_guard lock(m_mutex);
                    m_requests.push_back(request);
                }
                open = sendAll(fd, format(m_script(request)));
            }
            if (!open) {
                ::close(fd);
                connections.erase(fd);
            }
        }
    }
    for (const auto& [fd, buffer] : connections)
        ::close(fd);
}

std::uint16_t closedPort()
{
    std::uint16_t port = 0;
    ::close(listenOnLoopback(port));
    return port;
}

} // namespace vexlo::onvif::test
