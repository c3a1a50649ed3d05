#pragma once

#include "protocol/message_type.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Live play. The client names each stream with a non-zero id of its choice; the
// camera repeats it in every message of that stream, and PlayEnd is the stream's
// last message.
namespace vexlo::protocol {

inline constexpr std::size_t kStreamHeaderSize = 848;
inline constexpr std::size_t kStreamPrefixSize = 32;
inline constexpr std::size_t kVideoBlockSize = 536;
inline constexpr std::size_t kAudioBlockSize = 276;

struct PlayStart
{
    static constexpr MessageType kType = MessageType::PlayStart;
    std::uint32_t streamId = 0;
    std::int32_t playParam = 0; // from the camera's search record
    std::int32_t word1 = 1;     // the two words of the client block, passed as given
    std::int32_t word2 = 1;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<PlayStart> decode(std::span<const std::uint8_t> body);
    bool operator==(const PlayStart&) const = default;
};

// The stream header, field by field. The blocks are opaque to the protocol and
// belong to the player.
struct PlayHeader
{
    static constexpr MessageType kType = MessageType::PlayHeader;
    std::uint32_t streamId = 0;
    std::uint16_t videoPresent = 0;
    std::uint16_t audioPresent = 0;
    std::array<std::uint8_t, kStreamPrefixSize> prefix{};
    std::array<std::uint8_t, kVideoBlockSize> videoBlock{};
    std::array<std::uint8_t, kAudioBlockSize> audioBlock{};

    // The 848-byte block the data callback receives as data kind 2: prefix at 0,
    // the flags as native 16-bit words at 32 and 34, video block at 36, audio
    // block at 572.
    std::array<std::uint8_t, kStreamHeaderSize> toCallbackBlock() const;
    static PlayHeader fromCallbackBlock(std::uint32_t streamId,
                                        std::span<const std::uint8_t, kStreamHeaderSize> block);

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<PlayHeader> decode(std::span<const std::uint8_t> body);
    bool operator==(const PlayHeader&) const = default;
};

struct VideoFrame
{
    static constexpr MessageType kType = MessageType::VideoFrame;
    std::uint32_t streamId = 0;
    std::int32_t frameValue = 0; // handed on to the player
    double timestamp = 0.0;
    std::vector<std::uint8_t> data; // at most kMaxVideoDataSize bytes; encode cuts

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<VideoFrame> decode(std::span<const std::uint8_t> body);
    bool operator==(const VideoFrame&) const = default;
};

struct AudioFrame
{
    static constexpr MessageType kType = MessageType::AudioFrame;
    std::uint32_t streamId = 0;
    double timestamp = 0.0;
    std::vector<std::uint8_t> data; // at most kMaxAudioDataSize bytes; encode cuts

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<AudioFrame> decode(std::span<const std::uint8_t> body);
    bool operator==(const AudioFrame&) const = default;
};

struct PlayStop
{
    static constexpr MessageType kType = MessageType::PlayStop;
    std::uint32_t streamId = 0;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<PlayStop> decode(std::span<const std::uint8_t> body);
    bool operator==(const PlayStop&) const = default;
};

enum class PlayEndReason : std::uint8_t
{
    Stopped = 0, // answer to PlayStop
    Refused = 1, // the stream could not start (unknown playParam, id in use, no stream)
    Ended = 2,   // the camera ended it (going down)
};

struct PlayEnd
{
    static constexpr MessageType kType = MessageType::PlayEnd;
    std::uint32_t streamId = 0;
    PlayEndReason reason = PlayEndReason::Stopped;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<PlayEnd> decode(std::span<const std::uint8_t> body);
    bool operator==(const PlayEnd&) const = default;
};

} // namespace vexlo::protocol
