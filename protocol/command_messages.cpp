#include "protocol/command_messages.h"

#include "protocol/byte_reader.h"
#include "protocol/command_codes.h"
#include "protocol/frame_header.h"
#include "protocol/wire.h"

namespace vexlo::protocol {

std::vector<std::uint8_t> Command::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(code);
    frame.u8(static_cast<std::uint8_t>(kind));
    frame.i32(channel);
    frame.blob32(text, kMaxTextSize);
    return frame.finish();
}

std::optional<Command> Command::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    Command command;
    command.code = reader.u32();
    const std::uint8_t kind = reader.u8();
    command.channel = reader.i32();
    command.text = reader.text32(kMaxTextSize);
    // The answer's code must be able to carry the command in its low 24 bits.
    if (!reader.finished() || command.code > kCommandMask)
        return std::nullopt;
    if (kind < static_cast<std::uint8_t>(CallKind::SystemControl) ||
        kind > static_cast<std::uint8_t>(CallKind::GetDVRConfig))
        return std::nullopt;
    command.kind = static_cast<CallKind>(kind);
    return command;
}

std::vector<std::uint8_t> Answer::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(code);
    frame.u32(inReplyTo);
    frame.blob32(text, kMaxTextSize);
    return frame.finish();
}

std::optional<Answer> Answer::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    Answer answer;
    answer.code = reader.u32();
    answer.inReplyTo = reader.u32();
    answer.text = reader.text32(kMaxTextSize);
    if (!reader.finished() || (answer.code & ~(kRefusalBit | kCommandMask)) != 0)
        return std::nullopt;
    return answer;
}

} // namespace vexlo::protocol
