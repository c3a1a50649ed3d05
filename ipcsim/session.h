#pragma once

#include "ipcsim/command_reply.h"
#include "ipcsim/live_stream.h"
#include "ipcsim/upload_receiver.h"
#include "protocol/frame_reader.h"
#include "protocol/message.h"

#include <asio.hpp>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// One TCP session of a simulated camera: login, commands, firmware upload and
// live play. Everything runs on the camera's strand, so a session and its
// camera never need a lock between them.
namespace vexlo::ipcsim {

class Camera;

class Session : public std::enable_shared_from_this<Session>
{
public:
    Session(Camera& camera, asio::ip::tcp::socket socket);

    void start();
    // Ends the session on purpose: streams get PlayEnd Ended, then Close with
    // `reason` is the last frame, then the connection closes.
    void closeFor(protocol::CloseReason reason);
    // Drops the connection at once, without a Close, as a failing network does.
    void abort();
    // The unprompted firmware verdict 1009 after an upload.
    void sendVerdict(bool accepted, std::string text);

private:
    using Timer = asio::steady_timer;
    using Clock = std::chrono::steady_clock;

    enum class Phase
    {
        AwaitHello,
        AwaitProof,
        Unconfirmed, // the scenario never finishes this login
        LoggedIn,
    };

    void readMore();
    void onRead(std::size_t size);
    void handle(const protocol::Message& message, std::uint32_t sequence);
    void handleBeforeLogin(const protocol::Message& message);
    void onHello(const protocol::Hello& hello);
    void onProof(const protocol::LoginProof& proof);
    void onLoggedIn();
    void onCommand(const protocol::Command& command, std::uint32_t sequence);
    void onUploadBegin(const protocol::UploadBegin& begin);
    void onUploadStep(const UploadStep& step);
    void onPlayStart(const protocol::PlayStart& start);
    void onPlayStop(const protocol::PlayStop& stop);
    void beginStream(std::uint32_t streamId, std::shared_ptr<const StreamLoop> loop);
    void sendFrames(std::uint32_t streamId);
    void endStreams(protocol::PlayEndReason reason);

    void answerLater(double seconds, protocol::Answer answer, AfterAnswer after);
    void deliver(const protocol::Answer& answer, AfterAnswer after);
    std::shared_ptr<Timer> startTimer(std::chrono::nanoseconds delay);
    void scheduleKeepAlive();
    void protocolError();

    void send(const protocol::Message& message);
    void writeNext();
    void finish();
    void releaseUpload();
    std::uint32_t nextSequence();

    Camera& m_camera;
    asio::ip::tcp::socket m_socket;
    protocol::FrameReader m_reader;
    std::vector<std::uint8_t> m_readBuffer;

    std::deque<std::vector<std::uint8_t>> m_writeQueue;
    std::size_t m_queuedBytes = 0;
    bool m_writing = false;
    bool m_closing = false; // nothing more is queued; close once the queue is written
    bool m_finished = false;
    std::uint32_t m_sequence = 0;

    Phase m_phase = Phase::AwaitHello;
    std::string m_userName;
    protocol::Nonce m_nonce{};

    Clock::time_point m_lastSent;
    Clock::time_point m_lastReceived;
    std::uint32_t m_pingToken = 0;
    Timer m_keepAlive;
    std::set<std::shared_ptr<Timer>> m_timers; // delayed answers and the session drop

    UploadReceiver m_upload;
    bool m_ownsUpload = false; // this session holds the camera's one upload slot

    struct Stream
    {
        std::shared_ptr<Timer> timer;
        // Held by the stream, so a new loop for a new address leaves the
        // running streams whole.
        std::shared_ptr<const StreamLoop> loop;
        std::uint64_t frames = 0;
        FrameSkipper skipper;
    };
    std::map<std::uint32_t, Stream> m_streams;
};

} // namespace vexlo::ipcsim
