#include "platform/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlo {

namespace {

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = EIO;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::string fileErrorReason(int error, bool english)
{
    auto say = [english](const char* chinese, const char* inEnglish) {
        return std::string(english ? inEnglish : chinese);
    };
    switch (error) {
    case EACCES:
    case EPERM:
        return say("没有权限", "permission denied");
    case ENOSPC:
    case EDQUOT:
        return say("磁盘已满", "the disk is full");
    case EROFS:
        return say("文件系统为只读", "the file system is read-only");
    case EISDIR:
        return say("同名的文件夹已存在", "a folder of that name is in the way");
    case ENOTDIR:
        return say("路径中有一项不是文件夹", "a part of the path is not a folder");
    default:
        return std::strerror(error);
    }
}

int replaceFile(const std::filesystem::path& target, std::string_view bytes)
{
    std::string temporary = target.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return errno;
    // mkstemp makes the file private; a report is an ordinary file of the user.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    int error = ::fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
    if (error == 0 && (!writeAll(fd, bytes) || ::fsync(fd) != 0))
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    return error;
}

} // namespace vexlo
