#include "protocol/frame_header.h"

#include "protocol/byte_reader.h"
#include "protocol/wire.h"

#include <algorithm>

namespace vexlo::protocol {

const char* frameErrorName(FrameError error)
{
    switch (error) {
    case FrameError::None:
        return "none";
    case FrameError::Truncated:
        return "truncated header";
    case FrameError::BadMagic:
        return "bad magic";
    case FrameError::BadVersion:
        return "unsupported version";
    case FrameError::Oversize:
        return "body too large";
    }
    return "unknown";
}

std::array<std::uint8_t, 16> encodeFrameHeader(const FrameHeader& header)
{
    ByteWriter writer;
    writer.raw(kFrameMagic);
    writer.u8(header.version);
    writer.u8(header.type);
    writer.u16(header.flags);
    writer.u32(header.bodyLength);
    writer.u32(header.sequence);
    std::array<std::uint8_t, 16> bytes{};
    std::copy(writer.bytes().begin(), writer.bytes().end(), bytes.begin());
    return bytes;
}

FrameError decodeFrameHeader(std::span<const std::uint8_t> bytes, FrameHeader& out)
{
    if (bytes.size() < kFrameHeaderSize)
        return FrameError::Truncated;
    if (!std::equal(std::begin(kFrameMagic), std::end(kFrameMagic), bytes.begin()))
        return FrameError::BadMagic;
    ByteReader reader(bytes.subspan(4, kFrameHeaderSize - 4));
    FrameHeader header;
    header.version = reader.u8();
    header.type = reader.u8();
    header.flags = reader.u16();
    header.bodyLength = reader.u32();
    header.sequence = reader.u32();
    if (header.version != kProtocolVersion)
        return FrameError::BadVersion;
    if (header.bodyLength > maxBodySize(header.type))
        return FrameError::Oversize;
    out = header;
    return FrameError::None;
}

FrameBuilder::FrameBuilder(MessageType type, std::uint32_t sequence)
{
    const FrameHeader header{kProtocolVersion, static_cast<std::uint8_t>(type), 0, 0, sequence};
    raw(encodeFrameHeader(header));
}

std::vector<std::uint8_t> FrameBuilder::finish()
{
    patchU32(8, static_cast<std::uint32_t>(size() - kFrameHeaderSize));
    return take();
}

} // namespace vexlo::protocol
