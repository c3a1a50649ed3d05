#pragma once

// What the IP_ORV_* calls of the FFmpeg player return. Every failure is
// negative and distinct from sdk::kNoLibrary (-1).
namespace vexlo::player {

enum PlayerResult : int
{
    kPlayerOk = 0,
    kPlayerBadArgument = -2,   // null data, bad length, unknown stream kind
    kPlayerBadHeader = -3,     // short block or a codec tag this player does not decode
    kPlayerAlreadyOpen = -4,   // the port already has a stream of that kind
    kPlayerUnknownPort = -5,   // never opened, or stopped
    kPlayerNotOpen = -6,       // the port has no stream of that kind
    kPlayerNoDecoder = -7,     // FFmpeg could not prepare the decoder
    kPlayerFrameTooLarge = -8, // a frame beyond kMaxFrameBytes
};

// A frame larger than this is refused rather than queued.
inline constexpr int kMaxFrameBytes = 8 * 1024 * 1024;
// All frames queued on one port's video queue together stay below this.
inline constexpr int kMaxQueuedVideoBytes = 32 * 1024 * 1024;
// The frame counts callers may ask for are kept within these bounds.
inline constexpr int kMinBufferFrames = 1;
inline constexpr int kMaxBufferFrames = 1000;

} // namespace vexlo::player
