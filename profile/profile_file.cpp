#include "profile/profile_file.h"

#include "platform/file_descriptor.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vexlo {
namespace {

constexpr char kTag[] = "VX_config_data";
constexpr std::size_t kTagBytes = sizeof(kTag); // the 14 characters and the NUL
constexpr float kVersion = 1.2f;
constexpr double kVersionTolerance = 0.0001;

static_assert(kTagBytes == 15);

// Reads until `size` bytes or the end of the file; returns the count read.
std::size_t readUpTo(int fd, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

bool writeAll(int fd, const void* buffer, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool versionAccepted(float version)
{
    // Computed in double, as files written elsewhere may carry a float that is
    // not exactly 1.2f. A NaN fails both comparisons and is rejected.
    const double difference = static_cast<double>(version) - 1.2;
    return difference > -kVersionTolerance && difference < kVersionTolerance;
}

void stampHeader(ConfigProfile& profile)
{
    std::memcpy(profile.header.tag, kTag, kTagBytes);
    profile.header.version = kVersion;
    profile.header.size = static_cast<std::int32_t>(kProfileSize);
}

// Where the new file goes: through a symbolic link to the file it names, so a
// config.dat that is a link keeps being one.
std::filesystem::path saveTarget(const std::filesystem::path& directory)
{
    std::filesystem::path target = directory / kProfileFileName;
    std::error_code error;
    if (std::filesystem::is_symlink(target, error)) {
        std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

std::filesystem::path temporaryBeside(const std::filesystem::path& target)
{
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + target.filename().string() + "." + std::to_string(::getpid()) +
                             "." + std::to_string(counter.fetch_add(1)) + ".tmp";
    return target.parent_path() / name;
}

// Writes the record to a new file and makes it durable before it replaces
// anything.
bool writeDurably(int fd, const ConfigProfile& profile)
{
    return writeAll(fd, &profile, sizeof(profile)) && ::fsync(fd) == 0;
}

// Makes the rename itself durable. Best effort: the new file is already in
// place and complete, so a folder that cannot be synced is not a failed save.
void syncDirectory(const std::filesystem::path& directory)
{
    const std::string name = directory.empty() ? std::string(".") : directory.string();
    FileDescriptor folder(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
}

} // namespace

int loadProfile(ConfigProfile& profile, const std::filesystem::path& directory)
{
    const std::filesystem::path path = directory / kProfileFileName;
    // Opened for update, so a write-protected file counts as one that cannot be opened.
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.valid())
        return kProfileCannotOpen;

    struct stat status = {};
    // Only a regular file has a length to check; a device or a pipe would block
    // or lie, so it is treated as a file that cannot be opened.
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return kProfileCannotOpen;
    const std::int64_t length = status.st_size;

    profile = ConfigProfile{};
    readUpTo(file.get(), &profile.header, sizeof(profile.header));

    if (static_cast<std::int64_t>(profile.header.size) != length)
        return kProfileWrongSize;
    if (std::memcmp(profile.header.tag, kTag, kTagBytes) != 0)
        return kProfileWrongTag;
    if (!versionAccepted(profile.header.version))
        return kProfileWrongVersion;

    auto* body = reinterpret_cast<unsigned char*>(&profile) + kProfileHeaderSize;
    readUpTo(file.get(), body, kProfileBodySize);
    return kProfileOk;
}

int saveProfile(ConfigProfile& profile, const std::filesystem::path& directory)
{
    // The profile is written to a temporary file in the same folder and renamed
    // over config.dat only when it is complete and on disk: truncating
    // config.dat first would lose the whole profile to a crash or a full disk.
    const std::filesystem::path target = saveTarget(directory);
    const std::filesystem::path temporary = temporaryBeside(target);

    // A config.dat the user cannot write stays as it is, as it would if it were
    // opened for writing in place: the rename below would replace it anyway.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return kProfileCannotOpen;

    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file.valid())
        return kProfileCannotOpen;

    // Keep the permissions of the file being replaced.
    struct stat previous = {};
    if (::stat(target.c_str(), &previous) == 0 && S_ISREG(previous.st_mode))
        ::fchmod(file.get(), previous.st_mode & 07777);

    stampHeader(profile);

    const bool written = writeDurably(file.get(), profile);
    const bool closed = file.close();
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return kProfileCannotOpen;
    }
    syncDirectory(target.parent_path());
    return kProfileOk;
}

} // namespace vexlo
