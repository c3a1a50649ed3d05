#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// A firmware file opened for one upload. Chunks are read at their offsets as
// the upload window allows, so no upload ever holds the whole file.
namespace vexlo::netsdk {

class FirmwareFile
{
public:
    // Nothing when the file cannot be opened, is empty, is not a regular file or
    // is larger than the protocol's 32-bit size allows.
    static std::unique_ptr<FirmwareFile> open(const std::string& path);
    ~FirmwareFile();
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;

    std::uint32_t size() const { return m_size; }
    // Reads exactly out.size() bytes at offset; false on a short read or an error.
    bool readAt(std::uint32_t offset, std::span<std::uint8_t> out) const;

private:
    FirmwareFile(int fd, std::uint32_t size) : m_fd(fd), m_size(size) {}

    int m_fd;
    std::uint32_t m_size;
};

} // namespace vexlo::netsdk
