#pragma once

#include "netsdk/firmware_file.h"
#include "netsdk/session_events.h"
#include "netsdk/upload_window.h"
#include "protocol/command_messages.h"
#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "sdk/play_sink.h"

#include <asio.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::netsdk {

using sdk::PlaySink;

struct SessionTarget
{
    std::string address; // dotted IPv4, already passed by the address guard
    std::uint16_t port = 0;
    std::string userName;
    std::string password;
};

// One login handle: a TCP session to one camera, with its login exchange,
// keep-alive, commands, firmware upload, live plays and auto-reconnect. Every
// piece of connection state lives on the session's strand; the calls made by
// the program's threads only read atomics or post work to that strand.
class Session : public std::enable_shared_from_this<Session>
{
public:
    Session(asio::io_context& io, int loginHandle, SessionTarget target, SessionEvents& events);

    // Starts connecting. Status events are held back until handOut().
    void start();
    // The login call has returned the handle: events may be delivered from now on.
    void handOut();
    // Logout: sends Close, ends everything, and reports nothing more.
    void close();

    // With auto-reconnect on, a lost session, or a login whose connection failed
    // (the camera is still rebooting), is tried again under the same handle
    // until it succeeds or the give-up time passes. A camera's refusal is final.
    void setAutoReconnect(bool enable);
    bool loggedIn() const { return m_loggedIn; }
    int loginHandle() const { return m_handle; }

    // Queues a command; false when the session is not logged in.
    bool sendCommand(std::uint32_t code, protocol::CallKind kind, std::int32_t channel,
                     std::string text);

    // Starts an upload of the file; false when not logged in or one is running.
    bool startUpload(std::unique_ptr<FirmwareFile> file);
    // 0 while an upload has been started on this session (running or ended), -1 otherwise.
    int uploadState() const;
    // Acknowledged bytes in percent of the file; -1 without an upload.
    int uploadProgress() const;

    // Starts a live stream into the sink; the stream id, or 0 when not logged in.
    std::uint32_t startPlay(std::shared_ptr<PlaySink> sink, std::int32_t playParam,
                            std::int32_t word1, std::int32_t word2);
    void stopPlay(std::uint32_t streamId);

private:
    enum class Phase
    {
        Idle,
        Connecting,
        Handshaking,
        LoggedIn,
        Reconnecting, // waiting before the next attempt
        Ended,
    };
    enum class UploadPhase : int
    {
        None = 0,
        Running = 1,
        Done = 2,
        Failed = 3,
    };

    struct Upload
    {
        std::unique_ptr<FirmwareFile> file;
        UploadWindow window;
        bool endSent = false;
    };

    using Clock = std::chrono::steady_clock;

    void attempt();
    void onConnected(std::uint64_t generation, const asio::error_code& error);
    void readMore(std::uint64_t generation);
    void onRead(std::uint64_t generation, const asio::error_code& error, std::size_t bytes);
    void handleFrame(const protocol::Frame& frame);
    void handleLoginMessage(protocol::Message& message);
    void handleSessionMessage(protocol::Message& message);
    void onLoginResult(const protocol::LoginResult& result);
    void onUploadAck(const protocol::UploadAck& ack);
    void onUploadResult(const protocol::UploadResult& result);
    void pumpUpload();
    void finishUpload(bool succeeded);
    void onPlayMessage(std::uint32_t streamId, const protocol::Message& message);

    void enqueue(std::vector<std::uint8_t> frame);
    template <typename MessageT> void send(const MessageT& message);
    void writeNext();
    void protocolError();
    void sendCloseAndEnd(protocol::CloseReason reason);
    void dropConnection();
    void connectionLost();
    void scheduleReconnect();
    void armKeepAlive(std::uint64_t generation);
    void armLoginDeadline(std::chrono::nanoseconds delay);
    void cancelLoginDeadline();
    void emitStatus(int event);
    std::uint32_t nextSequence();

    const int m_handle;
    const SessionTarget m_target;
    SessionEvents& m_events;
    asio::strand<asio::io_context::executor_type> m_strand;
    asio::ip::tcp::socket m_socket;
    asio::steady_timer m_connectTimer;
    asio::steady_timer m_loginTimer;
    asio::steady_timer m_keepAliveTimer;
    asio::steady_timer m_reconnectTimer;

    // Strand state.
    Phase m_phase = Phase::Idle;
    std::uint64_t m_generation = 0; // one per connection; stale handlers see a change
    std::uint64_t m_loginDeadlineId = 0;
    protocol::FrameReader m_reader;
    std::array<std::uint8_t, 64 * 1024> m_readBuffer{};
    std::deque<std::vector<std::uint8_t>> m_writeQueue;
    bool m_writing = false;
    bool m_closeAfterWrite = false;
    std::uint32_t m_sequence = 0;
    bool m_challengeSeen = false;
    bool m_refusedByCamera = false;
    bool m_loginFailureReported = false;
    Clock::time_point m_lastSent;
    Clock::time_point m_lastReceived;
    std::uint32_t m_pingToken = 0;
    Clock::time_point m_reconnectSince;
    int m_reconnectAttempts = 0;
    std::optional<Upload> m_upload;
    std::map<std::uint32_t, std::shared_ptr<PlaySink>> m_plays;

    // Read by the program's threads.
    std::atomic<bool> m_loggedIn{false};
    std::atomic<bool> m_autoReconnect{false};
    std::atomic<int> m_uploadPhase{static_cast<int>(UploadPhase::None)};
    std::atomic<int> m_uploadPercent{0};
    std::atomic<std::uint32_t> m_nextStreamId{1};

    // Events wait until the login call has handed the handle out.
    std::mutex m_eventMutex;
    bool m_handedOut = false;
    bool m_closedByUser = false;
    std::vector<int> m_pendingEvents;
};

} // namespace vexlo::netsdk
