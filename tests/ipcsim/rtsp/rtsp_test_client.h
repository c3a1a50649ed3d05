#pragma once

#include "ipcsim/rtsp/rtsp_message.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A plain blocking RTSP client for the server tests: it writes requests as
// text and reads answers and interleaved packets off the same connection,
// each wait bounded by the tests' deadline.
namespace rtsptest {

struct Reply
{
    int status = 0;
    vexlo::ipcsim::rtsp::HeaderList headers;
    std::string body;

    std::string header(std::string_view name) const
    {
        return std::string(vexlo::ipcsim::rtsp::findHeader(headers, name).value_or(""));
    }
};

struct Packet
{
    std::uint8_t channel = 0;
    std::vector<std::uint8_t> bytes;
};

class RtspTestClient
{
public:
    // `receiveBuffer` > 0 shrinks the socket's receive buffer (before connecting).
    RtspTestClient(const std::string& address, std::uint16_t port, int receiveBuffer = 0);
    ~RtspTestClient();
    RtspTestClient(const RtspTestClient&) = delete;
    RtspTestClient& operator=(const RtspTestClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    void sendRaw(const std::string& text);
    // Sends a request with the next CSeq and `headers` (each "Name: value")
    // and returns its answer; interleaved packets that come first are kept.
    Reply request(const std::string& method, const std::string& uri,
                  const std::vector<std::string>& headers = {});
    std::optional<Reply> readReply();
    std::optional<Packet> readPacket();
    // Whether the server closes the connection before the deadline; whatever
    // arrives meanwhile is read and dropped.
    bool waitForClose();

private:
    bool fill();

    int m_fd = -1;
    int m_cseq = 0;
    std::string m_buffer;
    std::vector<Packet> m_early; // packets read while an answer was awaited
};

} // namespace rtsptest
