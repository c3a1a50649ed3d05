#pragma once

#include "sdk/netsdk.h"

#include <atomic>
#include <cstdint>

namespace vexlo::sdk {
class RenderTarget;
}

// What the video windows' data callbacks do with one piece of live data once
// they have accepted it: a stream header opens the player port, frames are fed
// to it. Shared by the wall's panes and the single-device window, which differ
// only in how a port is chosen, whether audio is opened and where it plays.
namespace vexlo {

struct LivePlayRoute
{
    std::atomic<int>* port = nullptr;         // the stream's player port; 0 = none yet
    int (*choosePort)(void* owner) = nullptr; // a port for the stream's first header
    void* owner = nullptr;
    bool opensAudio = false;             // open the audio block of a header too
    sdk::RenderTarget* target = nullptr; // where the video plays; nullptr: nowhere
};

// Feeds one callback's data to the player along `route` and returns 0; -1 when
// the data is malformed (a header shorter than its 848 bytes, a null pointer, a
// negative length, an unknown kind) and is dropped. Frames that come before any
// header has given the stream a port are dropped too: no port is open for them.
int feedPlayer(const LivePlayRoute& route, int dataKind, const unsigned char* data, int length,
               const IP_FRAME_INFO* frameInfo);

// The frame's timestamp truncated towards zero to a 32-bit integer; values
// beyond that range (and NaN, which is 0) are held at its ends rather than
// converted with undefined results.
int frameTimestamp(const IP_FRAME_INFO* frameInfo);

} // namespace vexlo
