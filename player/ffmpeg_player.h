#pragma once

#include "player/player_result.h"
#include "player/port_stream.h"
#include "sdk/backend.h"

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace vexlo::player {

// The IP_ORV_* player on FFmpeg. Install it with sdk::installPlayer.
//
// - A port is any int the caller picks. OpenStream with kind 0 and a video
//   block ("H264") or kind 1 and an audio block ("PCMA") prepares that
//   decoder; a port may carry one of each.
// - Play binds an opened port to a target; Play on a port that was never
//   opened (or was stopped) fails and remembers nothing, so a port that never
//   opens leaves nothing behind. Play again rebinds; Play with nullptr unbinds.
// - Input*Data copies the frame into the port's bounded queue and returns; a
//   thread of the decode pool (one per core, shared by every port) decodes it
//   and hands each picture, as RGB at the
//   stream's size, to the target. Pictures are shown as soon as they decode:
//   this is a live view, timestamps do not pace it. A port that falls behind
//   drops video frames (see VideoFrameQueue for which) and still returns 0.
//   bufferFrames (40 from the callers) sets the queue length, kept within
//   kMinBufferFrames..kMaxBufferFrames.
// - Stop waits for a decode of the port that is under way and frees the port;
//   later calls on the
//   port fail until it is opened again.
// Every call may come from any thread.
class FfmpegPlayer : public sdk::Player
{
public:
    FfmpegPlayer() = default;
    ~FfmpegPlayer() override;
    FfmpegPlayer(const FfmpegPlayer&) = delete;
    FfmpegPlayer& operator=(const FfmpegPlayer&) = delete;

    int Init() override;
    int OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                   int bufferFrames) override;
    int Play(int port, sdk::RenderTarget* window) override;
    int InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                       int timestamp) override;
    int InputAudioData(int port, const unsigned char* data, int length, int timestamp) override;
    int Stop(int port) override;

    // Diagnostics and tests.
    std::optional<PortStats> portStats(int port) const;
    std::size_t openPortCount() const;
    // Tests: set before the first OpenStream; ports opened later report to it.
    void setFeedObserverForTesting(FeedObserver observer);

private:
    std::shared_ptr<PortStream> findPort(int port) const;

    // Declared first, so it is destroyed last: turns still queued there hold
    // ports that were stopped.
    DecodePool m_pool;
    mutable std::mutex m_mutex; // the port table and the observer
    std::map<int, std::shared_ptr<PortStream>> m_ports;
    FeedObserver m_feedObserver;
};

} // namespace vexlo::player
