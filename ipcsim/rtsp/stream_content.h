#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

// What a camera's RTSP streams show, handed to the server by its owner (the
// simulated camera) so that the server knows nothing of how the test card is
// drawn or encoded.
namespace vexlo::ipcsim::rtsp {

struct VideoUnit
{
    std::span<const std::uint8_t> bytes; // one access unit, Annex B
    bool key = false;                    // an IDR picture with SPS and PPS before it
};

struct StreamContent
{
    std::string name;             // the stream's title in the session description
    int framesPerSecond = 10;     // 1..1000
    std::vector<VideoUnit> video; // played in a loop; the first is a key frame
    // G.711 A-law at 8 kHz, played in a loop; empty when the camera has no sound.
    std::vector<std::uint8_t> audio;
    // Holds the memory that `video` points into, for as long as any
    // connection plays it; a loop encoded anew never pulls bytes from under a
    // running stream.
    std::shared_ptr<const void> owner;
};

using ContentReady = std::function<void(std::shared_ptr<const StreamContent>)>;
// Asks for the content; `ready` may run later and on any thread (encoding a
// test card takes a while), with nullptr when there is nothing to show. A
// connection reads no request until `ready` has run, so it must run once.
using ContentProvider = std::function<void(ContentReady ready)>;

} // namespace vexlo::ipcsim::rtsp
