#include "protocol/message.h"

namespace vexlo::protocol {

namespace {

template <typename T> std::optional<Message> decodeAs(std::span<const std::uint8_t> body)
{
    auto message = T::decode(body);
    if (!message)
        return std::nullopt;
    return Message{std::move(*message)};
}

} // namespace

std::optional<Message> decodeMessage(std::uint8_t type, std::span<const std::uint8_t> body)
{
    switch (static_cast<MessageType>(type)) {
    case MessageType::Hello:
        return decodeAs<Hello>(body);
    case MessageType::Challenge:
        return decodeAs<Challenge>(body);
    case MessageType::LoginProof:
        return decodeAs<LoginProof>(body);
    case MessageType::LoginResult:
        return decodeAs<LoginResult>(body);
    case MessageType::Command:
        return decodeAs<Command>(body);
    case MessageType::Answer:
        return decodeAs<Answer>(body);
    case MessageType::UploadBegin:
        return decodeAs<UploadBegin>(body);
    case MessageType::UploadData:
        return decodeAs<UploadData>(body);
    case MessageType::UploadAck:
        return decodeAs<UploadAck>(body);
    case MessageType::UploadEnd:
        return decodeAs<UploadEnd>(body);
    case MessageType::UploadResult:
        return decodeAs<UploadResult>(body);
    case MessageType::PlayStart:
        return decodeAs<PlayStart>(body);
    case MessageType::PlayHeader:
        return decodeAs<PlayHeader>(body);
    case MessageType::VideoFrame:
        return decodeAs<VideoFrame>(body);
    case MessageType::AudioFrame:
        return decodeAs<AudioFrame>(body);
    case MessageType::PlayStop:
        return decodeAs<PlayStop>(body);
    case MessageType::PlayEnd:
        return decodeAs<PlayEnd>(body);
    case MessageType::Ping:
        return decodeAs<Ping>(body);
    case MessageType::Pong:
        return decodeAs<Pong>(body);
    case MessageType::Close:
        return decodeAs<Close>(body);
    }
    return std::nullopt;
}

std::optional<Message> decodeMessage(const Frame& frame)
{
    return decodeMessage(frame.header.type, frame.body);
}

std::vector<std::uint8_t> encodeMessage(const Message& message, std::uint32_t sequence)
{
    return std::visit([sequence](const auto& m) { return m.encode(sequence); }, message);
}

MessageType typeOf(const Message& message)
{
    return std::visit([](const auto& m) { return std::decay_t<decltype(m)>::kType; }, message);
}

} // namespace vexlo::protocol
