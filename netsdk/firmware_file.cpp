#include "netsdk/firmware_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlo::netsdk {

std::unique_ptr<FirmwareFile> FirmwareFile::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        static_cast<std::uint64_t>(info.st_size) > 0xFFFFFFFFull) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FirmwareFile>(
        new FirmwareFile(fd, static_cast<std::uint32_t>(info.st_size)));
}

FirmwareFile::~FirmwareFile()
{
    ::close(m_fd);
}

bool FirmwareFile::readAt(std::uint32_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(m_fd, out.data() + done, out.size() - done,
                                    static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false; // the file shrank or failed under us
        done += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace vexlo::netsdk
