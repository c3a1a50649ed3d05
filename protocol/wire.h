#pragma once

#include <cstddef>
#include <cstdint>

// Fixed numbers of the netsdk <-> camera protocol, version 1 (docs/protocol.md).
// Every integer on the wire is big-endian.
namespace vexlo::protocol {

inline constexpr std::uint8_t kProtocolVersion = 1;

// "VXLS" opens every session frame, "VXLD" every search-channel datagram, so a
// datagram fed into a session (or the reverse) is rejected at its first bytes.
inline constexpr std::uint8_t kFrameMagic[4] = {0x56, 0x58, 0x4C, 0x53};
inline constexpr std::uint8_t kDatagramMagic[4] = {0x56, 0x58, 0x4C, 0x44};

inline constexpr std::size_t kFrameHeaderSize = 16;
inline constexpr std::size_t kDatagramHeaderSize = 8;

// Largest session frame body of any type; a header announcing more closes the
// connection before anything is allocated. Each type has its own, smaller or
// equal, limit (maxBodySize in frame_header.h).
inline constexpr std::size_t kMaxBodySize = 1024 * 1024;
// Body limit for types this version does not know (they are skipped).
inline constexpr std::size_t kMaxUnknownBodySize = 64 * 1024;
inline constexpr std::size_t kMaxDatagramSize = 512;
// Receive buffer asked for on either end of the search channel: a whole site
// answers one probe within a few milliseconds, and every answer must wait in
// the queue until it is read. 250 answers at 4 KiB each, which covers what the
// kernel charges for a small datagram on any interface.
inline constexpr int kSearchAnswersAtOnce = 250;
inline constexpr int kSearchReceiveBufferBytes = kSearchAnswersAtOnce * 4096;

inline constexpr std::size_t kMaxTextSize = 64 * 1024;  // command request and answer texts
inline constexpr std::size_t kMaxChunkSize = 64 * 1024; // firmware bytes per data chunk
inline constexpr std::size_t kMaxVideoDataSize = kMaxBodySize - 16;
inline constexpr std::size_t kMaxAudioDataSize = 64 * 1024;

// Longest text fields, in bytes (each fits its _IPCINFO field with its NUL).
inline constexpr std::size_t kMaxUserNameSize = 39;
inline constexpr std::size_t kMaxSerialSize = 31;
inline constexpr std::size_t kMaxDeviceTypeSize = 35;
inline constexpr std::size_t kMaxMacSize = 31;
inline constexpr std::size_t kMaxAddressSize = 63;

inline constexpr std::size_t kNonceSize = 32;
inline constexpr std::size_t kProofSize = 32;

// The client keeps at most this many firmware chunks unacknowledged.
inline constexpr std::size_t kUploadWindowChunks = 4;

inline constexpr std::uint16_t kDefaultSearchPort = 37020;
inline constexpr std::uint16_t kDefaultLoginPort = 8000;

// Client timeouts in milliseconds at time scale 1 (divide by VEXLO_TIME_SCALE).
inline constexpr int kConnectTimeoutMs = 5000;
inline constexpr int kLoginTimeoutMs = 10000;
inline constexpr int kModifyIpTimeoutMs = 2000;
inline constexpr int kPingIntervalMs = 5000;
inline constexpr int kDeadSessionMs = 15000;

} // namespace vexlo::protocol
