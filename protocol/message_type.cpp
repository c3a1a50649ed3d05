#include "protocol/message_type.h"

#include "protocol/wire.h"

namespace vexlo::protocol {

namespace {

struct TypeInfo
{
    MessageType type;
    std::size_t maxBody;
    const char* name;
};

// One row per type; the body limits follow the layouts in docs/protocol.md.
constexpr TypeInfo kTypes[] = {
    {MessageType::Hello, 2 + 2 + kMaxUserNameSize, "Hello"},
    {MessageType::Challenge, 1 + kNonceSize, "Challenge"},
    {MessageType::LoginProof, kProofSize, "LoginProof"},
    {MessageType::LoginResult, 1, "LoginResult"},
    {MessageType::Command, 13 + kMaxTextSize, "Command"},
    {MessageType::Answer, 12 + kMaxTextSize, "Answer"},
    {MessageType::UploadBegin, 4, "UploadBegin"},
    {MessageType::UploadData, 4 + kMaxChunkSize, "UploadData"},
    {MessageType::UploadAck, 4, "UploadAck"},
    {MessageType::UploadEnd, 4, "UploadEnd"},
    {MessageType::UploadResult, 5, "UploadResult"},
    {MessageType::PlayStart, 16, "PlayStart"},
    {MessageType::PlayHeader, 852, "PlayHeader"},
    {MessageType::VideoFrame, 16 + kMaxVideoDataSize, "VideoFrame"},
    {MessageType::AudioFrame, 12 + kMaxAudioDataSize, "AudioFrame"},
    {MessageType::PlayStop, 4, "PlayStop"},
    {MessageType::PlayEnd, 5, "PlayEnd"},
    {MessageType::Ping, 4, "Ping"},
    {MessageType::Pong, 4, "Pong"},
    {MessageType::Close, 1, "Close"},
};

const TypeInfo* find(std::uint8_t type)
{
    for (const TypeInfo& info : kTypes) {
        if (static_cast<std::uint8_t>(info.type) == type)
            return &info;
    }
    return nullptr;
}

} // namespace

bool isKnownMessageType(std::uint8_t type)
{
    return find(type) != nullptr;
}

std::size_t maxBodySize(std::uint8_t type)
{
    const TypeInfo* info = find(type);
    return info ? info->maxBody : kMaxUnknownBodySize;
}

const char* messageTypeName(std::uint8_t type)
{
    const TypeInfo* info = find(type);
    return info ? info->name : "unknown";
}

} // namespace vexlo::protocol
