#pragma once

#include "protocol/message_type.h"
#include "protocol/wire.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Login, keep-alive and close. Each message encodes to a whole frame (header
// and body); decode takes the body of a frame of its type and refuses anything
// malformed (short, long, an out-of-range value) with std::nullopt.
namespace vexlo::protocol {

using Nonce = std::array<std::uint8_t, kNonceSize>;
using Proof = std::array<std::uint8_t, kProofSize>;

struct Hello
{
    static constexpr MessageType kType = MessageType::Hello;
    std::uint8_t minVersion = kProtocolVersion;
    std::uint8_t maxVersion = kProtocolVersion;
    std::string userName; // at most kMaxUserNameSize bytes; encode cuts it

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Hello> decode(std::span<const std::uint8_t> body);
    bool operator==(const Hello&) const = default;
};

struct Challenge
{
    static constexpr MessageType kType = MessageType::Challenge;
    std::uint8_t version = kProtocolVersion; // the version the session speaks from now on
    Nonce nonce{};

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Challenge> decode(std::span<const std::uint8_t> body);
    bool operator==(const Challenge&) const = default;
};

struct LoginProof
{
    static constexpr MessageType kType = MessageType::LoginProof;
    Proof proof{};

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<LoginProof> decode(std::span<const std::uint8_t> body);
    bool operator==(const LoginProof&) const = default;
};

enum class LoginStatus : std::uint8_t
{
    Accepted = 0,
    Refused = 1,            // wrong user name or proof
    VersionUnsupported = 2, // no common protocol version
    Busy = 3,               // the camera takes no sessions now
};

struct LoginResult
{
    static constexpr MessageType kType = MessageType::LoginResult;
    LoginStatus status = LoginStatus::Refused;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<LoginResult> decode(std::span<const std::uint8_t> body);
    bool operator==(const LoginResult&) const = default;
};

struct Ping
{
    static constexpr MessageType kType = MessageType::Ping;
    std::uint32_t token = 0;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Ping> decode(std::span<const std::uint8_t> body);
    bool operator==(const Ping&) const = default;
};

// Answers a Ping with its token.
struct Pong
{
    static constexpr MessageType kType = MessageType::Pong;
    std::uint32_t token = 0;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Pong> decode(std::span<const std::uint8_t> body);
    bool operator==(const Pong&) const = default;
};

enum class CloseReason : std::uint8_t
{
    Normal = 0,         // logout
    Reboot = 1,         // the camera restarts
    FactoryRestore = 2, // the camera restarts with factory settings
    ProtocolError = 3,  // the peer sent something malformed
    Shutdown = 4,       // the program ends
    IdleTimeout = 5,    // nothing heard from the peer for too long
};

struct Close
{
    static constexpr MessageType kType = MessageType::Close;
    CloseReason reason = CloseReason::Normal;

    std::vector<std::uint8_t> encode(std::uint32_t sequence = 0) const;
    static std::optional<Close> decode(std::span<const std::uint8_t> body);
    bool operator==(const Close&) const = default;
};

} // namespace vexlo::protocol
