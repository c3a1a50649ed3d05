#pragma once

#include "protocol/message_type.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Firmware upload: UploadBegin, the camera's UploadAck(0) when it is ready,
// UploadData chunks each answered by UploadAck with the bytes received so far,
// UploadEnd, then UploadResult. UploadResult with a failure may come at any time.
namespace vexlo::protocol {

struct UploadBegin
{
    static constexpr MessageType kType = MessageType::UploadBegin;
    std::uint32_t totalSize = 0; // at least 1

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<UploadBegin> decode(std::span<const std::uint8_t> body);
    bool operator==(const UploadBegin&) const = default;
};

struct UploadData
{
    static constexpr MessageType kType = MessageType::UploadData;
    std::uint32_t offset = 0;
    std::vector<std::uint8_t> data; // 1 to kMaxChunkSize bytes

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    // Encodes a chunk straight from the caller's buffer (no copy into a message);
    // bytes beyond kMaxChunkSize are left out.
    static std::vector<std::uint8_t> encodeChunk(std::uint32_t offset,
                                                 std::span<const std::uint8_t> bytes,
                                                 std::uint32_t sequence = 0);
    static std::optional<UploadData> decode(std::span<const std::uint8_t> body);
    bool operator==(const UploadData&) const = default;
};

struct UploadAck
{
    static constexpr MessageType kType = MessageType::UploadAck;
    std::uint32_t received = 0; // total bytes stored so far

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<UploadAck> decode(std::span<const std::uint8_t> body);
    bool operator==(const UploadAck&) const = default;
};

struct UploadEnd
{
    static constexpr MessageType kType = MessageType::UploadEnd;
    std::uint32_t totalSize = 0; // repeats UploadBegin's size as a cross-check

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<UploadEnd> decode(std::span<const std::uint8_t> body);
    bool operator==(const UploadEnd&) const = default;
};

enum class UploadStatus : std::uint8_t
{
    Complete = 0,     // every byte stored; the camera now checks the file
    Failed = 1,       // the camera could not take or store the file
    OutOfOrder = 2,   // a chunk's offset was not the number of bytes received
    SizeMismatch = 3, // UploadEnd came with a different size or too early
    Busy = 4,         // another upload runs
    TooLarge = 5,     // the announced size is above what the camera takes
};

struct UploadResult
{
    static constexpr MessageType kType = MessageType::UploadResult;
    UploadStatus status = UploadStatus::Failed;
    std::uint32_t received = 0;

    bool succeeded() const { return status == UploadStatus::Complete; }
    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<UploadResult> decode(std::span<const std::uint8_t> body);
    bool operator==(const UploadResult&) const = default;
};

} // namespace vexlo::protocol
