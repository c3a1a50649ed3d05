#pragma once

#include "tests/support/wait.h"

#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/search_datagrams.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A minimal client of the camera protocol for the simulator's tests, built on
// the codec alone with plain loopback sockets. Every wait has a deadline.
namespace simtest {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;
using vexlo::test::kDeadline;
using vexlo::test::waitUntil;

struct ReceivedReply
{
    vexlo::protocol::SearchReply reply;
    std::string from; // the address the datagram came from
};

// The search channel: one UDP socket on 127.0.0.1.
class SearchClient
{
public:
    SearchClient();
    ~SearchClient();
    SearchClient(const SearchClient&) = delete;
    SearchClient& operator=(const SearchClient&) = delete;

    void sendRaw(std::uint16_t port, const std::vector<std::uint8_t>& datagram);
    void probe(std::uint16_t port, std::uint32_t searchId);
    // Replies to `searchId`, until `count` have come or `timeout` has passed.
    std::vector<ReceivedReply> collect(std::uint32_t searchId, std::size_t count, Millis timeout);
    // Probes (again every 200 ms) until `accept` holds for some reply.
    std::optional<ReceivedReply>
    searchUntil(std::uint16_t port, const std::function<bool(const ReceivedReply&)>& accept,
                Millis timeout);
    std::optional<vexlo::protocol::ModifyIpReply>
    modifyIp(std::uint16_t port, const vexlo::protocol::ModifyIp& request, Millis timeout);

private:
    std::optional<std::pair<std::vector<std::uint8_t>, std::string>> receive(Millis timeout);

    int m_fd = -1;
    std::uint32_t m_nextSearchId = 0x5000;
};

// One TCP session. A reader thread answers the camera's pings and queues
// every other message.
class TestSession
{
public:
    ~TestSession();

    // Connects within `timeout`; false when nobody listens there.
    bool connect(const std::string& address, std::uint16_t port, Millis timeout = kDeadline);
    void send(const vexlo::protocol::Message& message);
    void sendRaw(const std::vector<std::uint8_t>& bytes);

    // Hello, Challenge, LoginProof; the LoginResult, or nothing within `timeout`.
    std::optional<vexlo::protocol::LoginStatus>
    login(const std::string& user, const std::string& password, Millis timeout = kDeadline);
    // Sends a command; returns the sequence of its frame.
    std::uint32_t command(std::uint32_t code, vexlo::protocol::CallKind kind, std::string text);

    // The next queued message for which `accept` holds (others stay queued).
    std::optional<vexlo::protocol::Message>
    waitFor(const std::function<bool(const vexlo::protocol::Message&)>& accept, Millis timeout);
    std::optional<vexlo::protocol::Answer> answerTo(std::uint32_t code, Millis timeout);
    template <typename T> std::optional<T> next(Millis timeout)
    {
        auto message =
            waitFor([](const vexlo::protocol::Message& m) { return std::holds_alternative<T>(m); },
                    timeout);
        return message ? std::optional<T>(std::get<T>(*message)) : std::nullopt;
    }
    // True once the camera has closed the connection.
    bool waitClosed(Millis timeout);
    bool closed() const { return m_closed; }
    std::size_t framesReceived() const { return m_frames; }

private:
    void readLoop();

    int m_fd = -1;
    std::thread m_reader;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closed{false};
    std::atomic<std::size_t> m_frames{0};
    std::mutex m_writeMutex;
    std::uint32_t m_sequence = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<vexlo::protocol::Message> m_queue;
};

} // namespace simtest
