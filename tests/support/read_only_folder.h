#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vexlo::test {

// A folder in which a program the test starts can make no file, as when it is
// installed in a system folder. Root writes through any mode bits, so for
// root the folder becomes a read-only bind mount inside the program's own
// mount namespace; for anyone else its write bits are taken away until the
// end of the test.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(std::filesystem::path folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // The command line that runs `program` (with no arguments yet) so.
    std::vector<std::string> launcher(const std::filesystem::path& program) const;

private:
    std::filesystem::path m_folder;
    bool m_asRoot;
};

} // namespace vexlo::test
