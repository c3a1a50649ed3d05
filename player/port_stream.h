#pragma once

#include "player/audio_decoder.h"
#include "player/decode_pool.h"
#include "player/frame_queue.h"
#include "player/stream_header.h"
#include "player/video_decoder.h"
#include "sdk/backend.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vexlo::player {

// What a port has done so far; for tests and diagnostics.
struct PortStats
{
    std::size_t videoQueued = 0;
    std::size_t videoQueueCapacity = 0;
    std::size_t videoQueuePeak = 0;
    std::uint64_t videoFramesDropped = 0;  // made room in a full queue
    std::uint64_t videoFramesSkipped = 0;  // waited for a key frame at the decoder
    std::uint64_t videoFramesShed = 0;     // left out while behind, for a small pane
    std::uint64_t videoFramesFed = 0;      // given to the decoder
    std::uint64_t videoFramesRejected = 0; // did not decode
    std::uint64_t picturesDecoded = 0;
    std::uint64_t picturesPresented = 0;
    std::uint64_t audioFramesDropped = 0;
    std::uint64_t audioFramesRejected = 0;
    std::uint64_t audioFramesDecoded = 0;
    std::uint64_t audioSamplesDecoded = 0;
};

// Tests: sees every video frame just before the decoder gets it.
using FeedObserver = std::function<void(int port, int frameValue, int timestamp)>;

// One port: its decoders, its queues and the target its pictures go to.
// Frames are copied in on the caller's thread and decoded in turns on the
// player's decode pool: at most one turn of a port runs at a time, so its
// decoders are only ever used by one thread at once.
class PortStream : public std::enable_shared_from_this<PortStream>
{
public:
    PortStream(int port, FeedObserver observer, DecodePool& pool);
    ~PortStream();
    PortStream(const PortStream&) = delete;
    PortStream& operator=(const PortStream&) = delete;

    // 0, or a player result code; a refused open changes nothing.
    int openVideo(const VideoStreamHeader& header, int bufferFrames);
    int openAudio(const AudioStreamHeader& header, int bufferFrames);

    // Pictures go to `target` from now on (nullptr: nowhere). Waits for a
    // picture being handed to the previous target, so that one may be deleted
    // as soon as this returns.
    void setTarget(sdk::RenderTarget* target);

    int inputVideo(const unsigned char* data, int length, int frameValue, int timestamp);
    int inputAudio(const unsigned char* data, int length, int timestamp);

    // Stops decoding and waits for a turn that is under way (unless called
    // from it); no picture reaches a target once this returns.
    void stop();

    PortStats stats() const;

private:
    void scheduleLocked();
    bool hasWorkLocked() const;
    // One turn on a pool thread: a few frames; true when more are waiting.
    bool runTurn();
    bool takeWork(std::optional<QueuedFrame>& video, std::optional<QueuedFrame>& audio);
    void decodeVideo(const QueuedFrame& frame);
    void decodeAudio(const QueuedFrame& frame);

    const int m_port;
    const FeedObserver m_observer;
    DecodePool& m_pool;

    mutable std::mutex m_mutex; // queues, decoders' presence, the turn's state
    std::condition_variable m_turnEnded;
    std::unique_ptr<VideoDecoder> m_videoDecoder;
    std::unique_ptr<AudioDecoder> m_audioDecoder;
    std::optional<VideoFrameQueue> m_videoQueue;
    std::optional<AudioFrameQueue> m_audioQueue;
    bool m_scheduled = false; // queued in the pool or running there
    std::thread::id m_runner; // the pool thread running a turn now, if any
    bool m_stopping = false;

    // Only the turn that runs touches these.
    bool m_decoderNeedsKeyFrame = true;
    bool m_behind = false; // set by takeWork, under m_mutex, for the turn that follows
    int m_decodedWidth = 0;
    int m_decodedHeight = 0;

    // Held while a picture is handed over. Recursive, so that a target may call
    // Play for its own port from inside presentPicture.
    std::recursive_mutex m_presentMutex;
    sdk::RenderTarget* m_target = nullptr;
    std::atomic<bool> m_watched{false};
    std::atomic<bool> m_stopRequested{false}; // lets a picture in hand be skipped at once

    std::atomic<std::uint64_t> m_videoSkipped{0};
    std::atomic<std::uint64_t> m_videoShed{0};
    std::atomic<std::uint64_t> m_videoFed{0};
    std::atomic<std::uint64_t> m_videoRejected{0};
    std::atomic<std::uint64_t> m_picturesDecoded{0};
    std::atomic<std::uint64_t> m_picturesPresented{0};
    std::atomic<std::uint64_t> m_audioRejected{0};
    std::atomic<std::uint64_t> m_audioDecoded{0};
    std::atomic<std::uint64_t> m_audioSamples{0};
};

} // namespace vexlo::player
