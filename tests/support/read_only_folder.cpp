#include "tests/support/read_only_folder.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vexlo::test {

ReadOnlyFolder::ReadOnlyFolder(std::filesystem::path folder)
    : m_folder(std::move(folder)), m_asRoot(::geteuid() == 0)
{
    if (!m_asRoot)
        ::chmod(m_folder.c_str(), 0555);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (!m_asRoot)
        ::chmod(m_folder.c_str(), 0755); // so that the test's folder can be removed
}

std::vector<std::string> ReadOnlyFolder::launcher(const std::filesystem::path& program) const
{
    if (!m_asRoot)
        return {program.string()};
    // unshare makes the mounts private to the new namespace; sh then execs
    // the program in the same process, so signals reach it directly.
    return {"/usr/bin/unshare",
            "-m",
            "sh",
            "-c",
            R"(mount --bind -o ro "$0" "$0" && exec "$@")",
            m_folder.string(),
            program.string()};
}

} // namespace vexlo::test
