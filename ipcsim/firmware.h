#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The simulator's firmware file: the only kind of file a simulated camera
// installs. `vexlo-ipcsim make-firmware VERSION FILE [--size BYTES]` writes one;
// a camera feeds every uploaded chunk to a FirmwareChecker and, at the end of
// the upload, accepts the file (and reports VERSION after its reboot) or
// refuses it.
//
// Layout, all numbers little-endian:
//   0   8  magic "VXLOFWSM"
//   8   2  format version, 1
//  10   2  header size, 96
//  12   4  reserved, 0
//  16   8  payload size in bytes
//  24   4  CRC-32 of the payload
//  28   4  CRC-32 of the 96 header bytes with this field set to 0
//  32  64  firmware version text, NUL-padded (at most 63 bytes)
//  96      payload: deterministic filler
namespace vexlo::ipcsim {

inline constexpr std::size_t kFirmwareHeaderSize = 96;
inline constexpr std::size_t kFirmwareVersionField = 64;
inline constexpr std::uint64_t kDefaultFirmwareFileSize = 1024 * 1024;
// make-firmware refuses larger files, so a typo cannot fill the disk.
inline constexpr std::uint64_t kMaxFirmwareFileSize = 1024ull * 1024 * 1024;

class FirmwareError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Why `version` cannot be a firmware version, or empty when it can: 1 to 63
// printable ASCII characters without a double quote (it is placed between the
// quotes of FileSystemVersion="..." in the version answer).
std::string firmwareVersionProblem(std::string_view version);

// Writes a firmware file of exactly `fileSize` bytes (header included) carrying
// `version`. The file appears complete or not at all: it is written next to
// `file` and renamed. Memory use does not grow with the size.
// Throws FirmwareError with the reason.
void makeFirmwareFile(const std::filesystem::path& file, std::string_view version,
                      std::uint64_t fileSize = kDefaultFirmwareFileSize);

// The same bytes, in memory, for tests that upload small images.
std::string makeFirmwareImage(std::string_view version, std::uint64_t fileSize);

struct FirmwareVerdict
{
    bool accepted = false;
    std::string version; // the version carried, when accepted
    std::string reason;  // why it was refused, for the log
};

// Checks an upload as it arrives, chunk by chunk, in any chunk sizes. It keeps
// only the header and a running checksum, whatever the file size. Survives any
// bytes.
class FirmwareChecker
{
public:
    void feed(const void* data, std::size_t size);
    void feed(std::string_view bytes) { feed(bytes.data(), bytes.size()); }

    std::uint64_t bytesReceived() const { return m_received; }
    // The whole file size the header announces, once the header has arrived
    // and is sound.
    std::optional<std::uint64_t> announcedFileSize() const;
    // True once the file can no longer be accepted, whatever follows.
    bool refusedAlready() const { return !m_refusal.empty(); }

    // The verdict on everything fed so far, as the end of the upload.
    FirmwareVerdict finish() const;

private:
    void checkHeader();

    std::array<std::uint8_t, kFirmwareHeaderSize> m_header{};
    std::uint64_t m_received = 0;
    bool m_headerChecked = false;
    std::uint64_t m_payloadSize = 0;
    std::uint32_t m_expectedCrc = 0;
    std::uint32_t m_payloadCrc = 0;
    std::string m_version;
    std::string m_refusal;
};

// Runs a whole file through a FirmwareChecker.
FirmwareVerdict checkFirmwareFile(const std::filesystem::path& file);

} // namespace vexlo::ipcsim
