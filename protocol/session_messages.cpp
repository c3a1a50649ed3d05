#include "protocol/session_messages.h"

#include "protocol/byte_reader.h"
#include "protocol/enum_check.h"
#include "protocol/frame_header.h"

namespace vexlo::protocol {

std::vector<std::uint8_t> Hello::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u8(minVersion);
    frame.u8(maxVersion);
    frame.string16(userName, kMaxUserNameSize);
    return frame.finish();
}

std::optional<Hello> Hello::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    Hello hello;
    hello.minVersion = reader.u8();
    hello.maxVersion = reader.u8();
    hello.userName = reader.string16(kMaxUserNameSize);
    if (!reader.finished() || hello.minVersion == 0 || hello.minVersion > hello.maxVersion)
        return std::nullopt;
    if (hello.userName.find('\0') != std::string::npos)
        return std::nullopt;
    return hello;
}

std::vector<std::uint8_t> Challenge::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u8(version);
    frame.raw(nonce);
    return frame.finish();
}

std::optional<Challenge> Challenge::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    Challenge challenge;
    challenge.version = reader.u8();
    reader.raw(challenge.nonce);
    if (!reader.finished() || challenge.version == 0)
        return std::nullopt;
    return challenge;
}

std::vector<std::uint8_t> LoginProof::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.raw(proof);
    return frame.finish();
}

std::optional<LoginProof> LoginProof::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    LoginProof message;
    reader.raw(message.proof);
    if (!reader.finished())
        return std::nullopt;
    return message;
}

std::vector<std::uint8_t> LoginResult::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u8(static_cast<std::uint8_t>(status));
    return frame.finish();
}

std::optional<LoginResult> LoginResult::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const auto status = enumFromByte(reader.u8(), LoginStatus::Busy);
    if (!reader.finished() || !status)
        return std::nullopt;
    return LoginResult{*status};
}

std::vector<std::uint8_t> Ping::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(token);
    return frame.finish();
}

std::optional<Ping> Ping::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const std::uint32_t token = reader.u32();
    if (!reader.finished())
        return std::nullopt;
    return Ping{token};
}

std::vector<std::uint8_t> Pong::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u32(token);
    return frame.finish();
}

std::optional<Pong> Pong::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const std::uint32_t token = reader.u32();
    if (!reader.finished())
        return std::nullopt;
    return Pong{token};
}

std::vector<std::uint8_t> Close::encode(std::uint32_t sequence) const
{
    FrameBuilder frame(kType, sequence);
    frame.u8(static_cast<std::uint8_t>(reason));
    return frame.finish();
}

std::optional<Close> Close::decode(std::span<const std::uint8_t> body)
{
    ByteReader reader(body);
    const auto reason = enumFromByte(reader.u8(), CloseReason::IdleTimeout);
    if (!reader.finished() || !reason)
        return std::nullopt;
    return Close{*reason};
}

} // namespace vexlo::protocol
