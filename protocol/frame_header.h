#pragma once

#include "protocol/byte_writer.h"
#include "protocol/message_type.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vexlo::protocol {

// The 16 bytes before every session frame body:
//   0 magic "VXLS" | 4 version u8 | 5 type u8 | 6 flags u16 | 8 body length u32 | 12 sequence u32
struct FrameHeader
{
    std::uint8_t version = 1;
    std::uint8_t type = 0;
    std::uint16_t flags = 0; // none defined in version 1; receivers ignore them
    std::uint32_t bodyLength = 0;
    std::uint32_t sequence = 0; // the sender's frame counter, from 1

    bool operator==(const FrameHeader&) const = default;
};

enum class FrameError
{
    None,
    Truncated, // fewer than 16 bytes (decodeFrameHeader only)
    BadMagic,
    BadVersion,
    Oversize, // body length above the type's limit
};

const char* frameErrorName(FrameError error);

std::array<std::uint8_t, 16> encodeFrameHeader(const FrameHeader& header);

// Reads and checks a header from the first 16 bytes; out is filled only on None.
FrameError decodeFrameHeader(std::span<const std::uint8_t> bytes, FrameHeader& out);

// A complete frame as it came off the stream.
struct Frame
{
    FrameHeader header;
    std::vector<std::uint8_t> body;
};

// Writes a frame: the header first, the body fields after, the length patched in
// by finish().
class FrameBuilder : public ByteWriter
{
public:
    FrameBuilder(MessageType type, std::uint32_t sequence);
    std::vector<std::uint8_t> finish();
};

} // namespace vexlo::protocol
