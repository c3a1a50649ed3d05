#pragma once

#include "protocol/message_type.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexlo::protocol {

// Which call of the device library sent the command.
enum class CallKind : std::uint8_t
{
    SystemControl = 1,
    SetDVRConfig = 2,
    GetDVRConfig = 3,
};

struct Command
{
    static constexpr MessageType kType = MessageType::Command;
    std::uint32_t code = 0; // command code, at most 0x00FFFFFF
    CallKind kind = CallKind::SystemControl;
    std::int32_t channel = 0;
    std::string text; // the request text, exact bytes, no terminating NUL; at most kMaxTextSize

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Command> decode(std::span<const std::uint8_t> body);
    bool operator==(const Command&) const = default;
};

struct Answer
{
    static constexpr MessageType kType = MessageType::Answer;
    std::uint32_t code = 0;      // the command code, with kRefusalBit set for a refusal;
                                 // bits 24..30 are always clear
    std::uint32_t inReplyTo = 0; // sequence of the Command frame; 0 when unprompted (1009)
    std::string text;            // exact bytes, no terminating NUL; at most kMaxTextSize

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Answer> decode(std::span<const std::uint8_t> body);
    bool operator==(const Answer&) const = default;
};

} // namespace vexlo::protocol
