#pragma once

#include "onvif/http_digest.h"

#include <asio.hpp>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A small RTSP client for the benches: it plays the video of one camera stream
// over TCP (OPTIONS, DESCRIBE answering the Digest challenge, SETUP of the
// video track interleaved, PLAY) and counts the pictures that arrive, one per
// RTP packet with the marker bit (the last packet of an access unit). It keeps
// the session alive with GET_PARAMETER. Nothing is decoded.
//
// Many pulls share one io_context, run by any number of threads: each pull
// keeps to a strand of its own. The readouts may be called from any thread.
namespace vexlo::bench {

struct PullTarget
{
    std::string address; // IPv4
    std::uint16_t port = 0;
    std::string stream = "main"; // rtsp://address:port/stream
    std::string user;
    std::string password;
};

class RtspPull : public std::enable_shared_from_this<RtspPull>
{
public:
    using Clock = std::chrono::steady_clock;

    static std::shared_ptr<RtspPull> create(asio::io_context& io, PullTarget target);
    RtspPull(const RtspPull&) = delete;
    RtspPull& operator=(const RtspPull&) = delete;

    // Connects and asks for the stream; the clock of the first picture starts here.
    void start();
    // Closes the connection (without TEARDOWN: the camera sees it end).
    void stop();

    bool playing() const { return m_playing.load(); }
    std::uint64_t pictures() const { return m_pictures.load(); }
    // Video packets whose sequence number did not follow the previous one.
    std::uint64_t sequenceGaps() const { return m_gaps.load(); }
    // From start() to the end of the first access unit; nothing before then.
    std::optional<Clock::duration> timeToFirstPicture() const;
    // Why the pull gave up; empty while it has not.
    std::string failure() const;

private:
    RtspPull(asio::io_context& io, PullTarget target);

    struct Reply
    {
        int status = 0;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;

        std::optional<std::string> header(std::string_view name) const;
        std::vector<std::string> headerValues(std::string_view name) const;
    };

    enum class Step
    {
        Connecting,
        Options,
        Describe,
        Setup,
        Play,
        Playing,
        Done,
    };

    void onConnected(const std::error_code& error);
    void sendRequest(const std::string& method, const std::string& uri,
                     const std::vector<std::string>& headers = {});
    void writeNext();
    void readMore();
    void takeInput();
    // A whole reply at the front of `text`: its size, or 0 when more is needed.
    static std::size_t parseReply(std::string_view text, Reply& reply);
    void onReply(const Reply& reply);
    void onDescribed(const Reply& reply);
    void onPacket(std::uint8_t channel, const std::uint8_t* data, std::size_t size);
    void scheduleKeepAlive();
    void fail(std::string why);

    asio::strand<asio::io_context::executor_type> m_strand;
    asio::ip::tcp::socket m_socket;
    asio::steady_timer m_keepAlive;
    const PullTarget m_target;
    const std::string m_uri;

    Step m_step = Step::Connecting;
    int m_cseq = 0;
    std::optional<onvif::DigestChallenge> m_challenge;
    std::uint32_t m_nonceCount = 0;
    bool m_answeredChallenge = false;
    std::string m_setupUri;
    std::string m_playUri;
    std::string m_session;
    std::chrono::seconds m_sessionTimeout{60};
    int m_videoChannel = 0;
    std::optional<std::uint16_t> m_lastSequence;

    std::string m_input; // read and not taken yet
    std::vector<char> m_chunk;
    std::deque<std::string> m_outbox;

    Clock::time_point m_started{};
    std::atomic<bool> m_playing{false};
    std::atomic<std::uint64_t> m_pictures{0};
    std::atomic<std::uint64_t> m_gaps{0};
    std::atomic<std::int64_t> m_firstPictureNs{-1};
    mutable std::mutex m_failureMutex;
    std::string m_failure;
};

} // namespace vexlo::bench
