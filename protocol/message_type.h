#pragma once

#include <cstddef>
#include <cstdint>

namespace vexlo::protocol {

// The type byte of a session frame. C = sent by the client, S = by the camera.
enum class MessageType : std::uint8_t
{
    Hello = 0x01,        // C: versions and user name
    Challenge = 0x02,    // S: chosen version and nonce
    LoginProof = 0x03,   // C: HMAC-SHA256 proof
    LoginResult = 0x04,  // S: accepted or refused
    Command = 0x10,      // C: SystemControl / SetDVRConfig / GetDVRConfig
    Answer = 0x11,       // S: answer or refusal under the command code
    UploadBegin = 0x20,  // C: firmware size
    UploadData = 0x21,   // C: offset and bytes
    UploadAck = 0x22,    // S: total bytes received
    UploadEnd = 0x23,    // C: all bytes sent
    UploadResult = 0x24, // S: upload complete or failed
    PlayStart = 0x30,    // C: start a live stream
    PlayHeader = 0x31,   // S: stream header block
    VideoFrame = 0x32,   // S
    AudioFrame = 0x33,   // S
    PlayStop = 0x34,     // C
    PlayEnd = 0x35,      // S: the stream's last message
    Ping = 0x40,         // either side
    Pong = 0x41,         // either side
    Close = 0x42,        // either side, last message before closing
};

bool isKnownMessageType(std::uint8_t type);

// Largest body a frame of this type may announce; for types this version does
// not know, kMaxUnknownBodySize.
std::size_t maxBodySize(std::uint8_t type);

const char* messageTypeName(std::uint8_t type);

} // namespace vexlo::protocol
