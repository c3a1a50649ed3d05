#pragma once

#include "protocol/command_messages.h"
#include "protocol/frame_header.h"
#include "protocol/play_messages.h"
#include "protocol/session_messages.h"
#include "protocol/upload_messages.h"

#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace vexlo::protocol {

using Message =
    std::variant<Hello, Challenge, LoginProof, LoginResult, Command, Answer, UploadBegin,
                 UploadData, UploadAck, UploadEnd, UploadResult, PlayStart, PlayHeader, VideoFrame,
                 AudioFrame, PlayStop, PlayEnd, Ping, Pong, Close>;

// The message in a frame body of the given type. std::nullopt for a type this
// version does not know (check isKnownMessageType: such frames are skipped) and
// for a malformed body (the connection is closed with CloseReason::ProtocolError).
std::optional<Message> decodeMessage(std::uint8_t type, std::span<const std::uint8_t> body);
std::optional<Message> decodeMessage(const Frame& frame);

// The whole frame for any message.
std::vector<std::uint8_t> encodeMessage(const Message& message, std::uint32_t sequence = 0);

MessageType typeOf(const Message& message);

} // namespace vexlo::protocol
