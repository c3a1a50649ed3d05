#include "http_test_client.h"

#include "tests/support/wait.h"

#include <chrono>
#include <poll.h>

namespace vexlo::ipcsim::onvif::test {

TestClient::TestClient(const asio::ip::tcp::endpoint& server) : m_socket(m_io)
{
    asio::error_code error;
    m_socket.connect(server, error);
    m_connected = !error;
}

bool TestClient::send(std::string_view bytes)
{
    asio::error_code error;
    asio::write(m_socket, asio::buffer(bytes), error);
    return !error;
}

bool TestClient::readMore()
{
    if (m_closed) {
        return false;
    }
    pollfd fd{m_socket.native_handle(), POLLIN, 0};
    const int ready =
        ::poll(&fd, 1, static_cast<int>(std::chrono::milliseconds(vexlo::test::kDeadline).count()));
    if (ready <= 0) {
        return false; // the deadline passed
    }
    char buffer[64 * 1024];
    asio::error_code error;
    const std::size_t size = m_socket.read_some(asio::buffer(buffer), error);
    if (error) {
        m_closed = true;
        return false;
    }
    m_received.append(buffer, size);
    return true;
}

std::optional<ClientResponse> TestClient::readResponse()
{
    std::size_t headEnd;
    while ((headEnd = m_received.find("\r\n\r\n")) == std::string::npos) {
        if (!readMore()) {
            return std::nullopt;
        }
    }
    ClientResponse response;
    const std::string head = m_received.substr(0, headEnd);
    if (head.size() < 12 || head.compare(0, 9, "HTTP/1.1 ") != 0) {
        return std::nullopt;
    }
    response.status = std::stoi(head.substr(9, 3));
    std::size_t at = head.find("\r\n");
    while (at != std::string::npos) {
        const std::size_t next = head.find("\r\n", at + 2);
        const std::string line =
            head.substr(at + 2, next == std::string::npos ? next : next - at - 2);
        const std::size_t colon = line.find(": ");
        if (colon != std::string::npos) {
            response.headers.add(line.substr(0, colon), line.substr(colon + 2));
        }
        at = next;
    }
    const std::string* length = response.headers.find("Content-Length");
    const std::size_t bodySize = length ? std::stoul(*length) : 0;
    while (m_received.size() < headEnd + 4 + bodySize) {
        if (!readMore()) {
            return std::nullopt;
        }
    }
    response.body = m_received.substr(headEnd + 4, bodySize);
    m_received.erase(0, headEnd + 4 + bodySize);
    return response;
}

bool TestClient::waitForClose()
{
    while (readMore()) {
    }
    return m_closed;
}

std::string get(std::string_view target, std::string_view extraHeaders)
{
    return "GET " + std::string(target) + " HTTP/1.1\r\nHost: camera\r\n" +
           std::string(extraHeaders) + "\r\n";
}

std::string post(std::string_view target, std::string_view body, std::string_view extraHeaders)
{
    return "POST " + std::string(target) +
           " HTTP/1.1\r\nHost: camera\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           std::string(extraHeaders) + "\r\n" + std::string(body);
}

} // namespace vexlo::ipcsim::onvif::test
