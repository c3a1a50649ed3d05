#include "protocol/upload_messages.h"

#include "protocol/byte_reader.h"
#include "protocol/enum_check.h"
#include "protocol/frame_header.h"
#include "protocol/wire.h"

#include <algorithm>

namespace vexlo::protocol {

namespace {

std::optional<std::uint32_t> decodeSingleWord(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const std::uint32_t value = reader.u32();
    if (!reader.finished())
        return std::nullopt;
    return value;
}

} // namespace

std::vector<std::uint8_t> UploadBegin::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(totalSize);
    return frame.finish();
}

std::optional<UploadBegin> UploadBegin::decode(std::span<const std::uint8_t> body)
{
    const auto size = decodeSingleWord(body);
    if (!size || *size == 0)
        return std::nullopt;
    return UploadBegin{*size};
}

std::vector<std::uint8_t> UploadData::encode(std::uint32_t sequence) const
{
    return encodeChunk(offset, data, sequence);
}

std::vector<std::uint8_t> UploadData::encodeChunk(std::uint32_t offset,
                                                  std::span<const std::uint8_t> bytes,
                                                  std::uint32_t sequence)
{
    FrameBuilder frame(kType, sequence);
    frame.u32(offset);
    frame.raw(bytes.first(std::min(bytes.size(), kMaxChunkSize)));
    return frame.finish();
}

std::optional<UploadData> UploadData::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    UploadData chunk;
    chunk.offset = reader.u32();
    chunk.data = reader.rest(1, kMaxChunkSize);
    if (!reader.finished())
        return std::nullopt;
    return chunk;
}

std::vector<std::uint8_t> UploadAck::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(received);
    return frame.finish();
}

std::optional<UploadAck> UploadAck::decode(std::span<const std::uint8_t> body)
{
    const auto received = decodeSingleWord(body);
    if (!received)
        return std::nullopt;
    return UploadAck{*received};
}

std::vector<std::uint8_t> UploadEnd::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(totalSize);
    return frame.finish();
}

std::optional<UploadEnd> UploadEnd::decode(std::span<const std::uint8_t> body)
{
    const auto size = decodeSingleWord(body);
    if (!size)
        return std::nullopt;
    return UploadEnd{*size};
}

std::vector<std::uint8_t> UploadResult::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u8(static_cast<std::uint8_t>(status));
    frame.u32(received);
    return frame.finish();
}

std::optional<UploadResult> UploadResult::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const auto status = enumFromByte(reader.u8(), UploadStatus::TooLarge);
    const std::uint32_t received = reader.u32();
    if (!reader.finished() || !status)
        return std::nullopt;
    return UploadResult{*status, received};
}

} // namespace vexlo::protocol
