#pragma once

#include "ipcsim/rtsp/interleaved_writer.h"
#include "ipcsim/rtsp/rtsp_message.h"
#include "ipcsim/rtsp/server_settings.h"
#include "ipcsim/rtsp/stream_content.h"

#include <asio.hpp>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One client of a camera's RTSP server: its requests, its session and the
// packets it plays. Everything runs on the connection's own strand (the
// executor of its socket), so many cameras can share a pool of threads.
namespace vexlo::ipcsim::rtsp {

class RtspConnection : public std::enable_shared_from_this<RtspConnection>
{
public:
    enum class State
    {
        Init,    // no session yet, or after TEARDOWN
        Ready,   // at least one track set up
        Playing, // packets flow
    };

    // `socket` must run on a strand of its own.
    RtspConnection(asio::ip::tcp::socket socket, std::shared_ptr<const ServerSettings> settings);

    void start();
    // Ends the connection at once (the camera goes down). Any thread.
    void stop();

private:
    using Handler = Response (RtspConnection::*)(const Request&);
    struct Method
    {
        std::string_view name;
        Handler handler; // nullptr: known, but not something a camera does
    };
    static const std::array<Method, 11> kMethods;

    struct Track
    {
        InterleavedTrack writer;
        std::uint32_t timestampBase;
    };

    void begin();
    void onContent(std::shared_ptr<const StreamContent> content);
    void readMore();
    void onRead(const asio::error_code& error, std::size_t size);
    void handle(const Request& request);
    void reply(const Request* request, Response response);
    void refuse(int status, const std::string& cseq);

    Response onOptions(const Request& request);
    Response onDescribe(const Request& request);
    Response onSetup(const Request& request);
    Response onPlay(const Request& request);
    Response onTeardown(const Request& request);
    Response onGetParameter(const Request& request);
    bool sessionMatches(const Request& request) const;
    std::string contentBase(const std::string& stream) const;
    std::string rtpInfo(const std::string& stream) const;

    void startPlaying();
    void scheduleFrame();
    void sendFrame();
    std::uint32_t videoTimestamp() const;
    std::uint32_t audioTimestamp() const;

    void scheduleIdleCheck();
    void queue(std::vector<std::uint8_t> bytes);
    void writeNext();
    void finish();

    asio::ip::tcp::socket m_socket;
    std::shared_ptr<const ServerSettings> m_settings;
    std::vector<std::uint8_t> m_readBuffer;
    RequestParser m_parser;

    std::deque<std::vector<std::uint8_t>> m_writeQueue;
    std::size_t m_queuedBytes = 0;
    bool m_writing = false;
    bool m_closeWhenWritten = false;
    bool m_finished = false;

    asio::steady_timer m_idleTimer;
    std::chrono::steady_clock::time_point m_lastReceived;

    std::shared_ptr<const StreamContent> m_content;
    bool m_contentArrived = false;
    State m_state = State::Init;
    std::string m_session; // empty until the first SETUP
    std::string m_stream;  // the stream the session's tracks belong to
    std::optional<Track> m_video;
    std::optional<Track> m_audio;

    asio::steady_timer m_frameTimer;
    std::chrono::steady_clock::time_point m_nextFrame;
    std::uint64_t m_frames = 0; // sent since PLAY
    // A frame timer that fired just before a TEARDOWN must not start a second
    // loop beside the one a new PLAY starts.
    std::uint64_t m_playGeneration = 0;
    std::string m_localAddress; // host:port as the client reached us
};

} // namespace vexlo::ipcsim::rtsp
