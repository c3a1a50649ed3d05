#pragma once

#include "ipcsim/onvif/http_message.h"

#include <asio.hpp>

#include <optional>
#include <string>
#include <string_view>

// A plain blocking client for the server tests. Every read waits at most
// until the test deadline, so a server that never answers fails the test
// instead of hanging it.
namespace vexlo::ipcsim::onvif::test {

struct ClientResponse
{
    int status = 0;
    HttpHeaders headers;
    std::string body;
};

class TestClient
{
public:
    // Connects at once; connected() says whether that worked.
    explicit TestClient(const asio::ip::tcp::endpoint& server);

    bool connected() const { return m_connected; }
    // False when the server is gone.
    bool send(std::string_view bytes);
    // The next response; none when the connection ends first or the deadline passes.
    std::optional<ClientResponse> readResponse();
    // True when the server ends the connection before the deadline. What
    // arrives meanwhile is kept for readResponse().
    bool waitForClose();

private:
    // Reads what is there, waiting up to the deadline; false at the end.
    bool readMore();

    asio::io_context m_io;
    asio::ip::tcp::socket m_socket;
    bool m_connected = false;
    bool m_closed = false;
    std::string m_received;
};

std::string get(std::string_view target, std::string_view extraHeaders = {});
std::string post(std::string_view target, std::string_view body,
                 std::string_view extraHeaders = {});

} // namespace vexlo::ipcsim::onvif::test
