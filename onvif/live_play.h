#pragma once

#include "onvif/device_client.h"
#include "onvif/rtsp_source.h"
#include "sdk/play_sink.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// One live play of an ONVIF camera. On a thread of its own it asks the camera
// for the stream's address (GetProfiles, GetStreamUri), pulls the stream and
// hands it to the sink as a home-protocol play hands its own: the 848-byte
// header, then H.264 access units (key frames marked) and A-law audio. A
// stream that is lost or goes silent is opened again after a pause, for as
// long as the play runs.
namespace vexlo::onvif {

struct LivePlayTarget
{
    std::shared_ptr<DeviceClient> client; // the logged-in camera
    Credentials login;                    // signs the stream as well
    bool subStream = false;               // the second profile, where there is one
    std::string serialNo;                 // written into the header
    bool lanAllowed = false;              // else only 127.0.0.0/8 may be reached
    // Told once why the stream cannot be played, and again when it plays.
    std::function<void(const std::string&)> notice;
};

class LivePlay
{
public:
    LivePlay(std::shared_ptr<sdk::PlaySink> sink, LivePlayTarget target, RtspLimits limits,
             std::chrono::nanoseconds retryPause);
    ~LivePlay(); // stops and waits for the thread
    LivePlay(const LivePlay&) = delete;
    LivePlay& operator=(const LivePlay&) = delete;

    void start();
    // No callback of the play runs once this returns. The thread leaves a
    // network wait within about 100 ms; an exchange with the camera that is
    // under way ends within its own time limit.
    void stop();
    bool finished() const { return m_finished.load(); }

private:
    void run();
    // One stream from opening to its end: why it ended.
    std::string playOnce();
    // The address of the stream, or why there is none.
    std::string streamUri(bool& found);
    void tell(const std::string& what);
    bool pause(std::chrono::nanoseconds length);

    const std::shared_ptr<sdk::PlaySink> m_sink;
    const LivePlayTarget m_target;
    const RtspLimits m_limits;
    const std::chrono::nanoseconds m_retryPause;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::string m_lastTold; // the play's thread only
    std::thread m_thread;
};

// The header block of a play: the video block ("H264", width, height,
// frames per second, the serial) and, with audio, the audio block ("PCMA",
// sample rate, channels).
std::array<std::uint8_t, SDK_HEADER_SIZE> liveHeaderBlock(const RtspStreamInfo& info,
                                                          std::string_view serialNo);

} // namespace vexlo::onvif
