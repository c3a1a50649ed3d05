#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A tiny HTTP/1.1 server on 127.0.0.1 for the client tests, for the cameras
// the simulator does not play: one that only takes HTTP Digest, one that locks
// accounts, one that never answers. Connections are kept alive as a camera
// would; every request is recorded for the test to look at.
namespace vexlo::onvif::test {

struct PeerRequest
{
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers; // names in lower case
    std::string body;

    // The first header of this (lower-case) name; empty when absent.
    std::string header(std::string_view name) const;
};

struct PeerReply
{
    int status = 200;
    std::vector<std::string> headers; // whole lines without CRLF
    std::string body;
};

class ScriptedPeer
{
public:
    using Script = std::function<PeerReply(const PeerRequest&)>;

    // Answers every request with what `script` returns (on the peer's thread).
    // Without a script it listens but never accepts nor answers: the kernel
    // completes the handshake, so a client connects and then waits in vain.
    explicit ScriptedPeer(Script script = {});
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    std::uint16_t port() const { return m_port; }
    std::string url(std::string_view path = "/onvif/device_service") const;
    std::vector<PeerRequest> requests() const;

private:
    void serve();

    Script m_script;
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<PeerRequest> m_requests;
    std::thread m_thread;
};

// A port on 127.0.0.1 where nothing listens (bound, then closed).
std::uint16_t closedPort();

} // namespace vexlo::onvif::test
