#pragma once

#include <filesystem>
#include <string>

namespace vexlo::test {

// A folder of its own for one test (config.dat, request logs, firmware files),
// made empty under the system's temporary folder and removed with everything
// in it at the end.
class TempDir
{
public:
    explicit TempDir(const std::string& prefix = "vexlo-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace vexlo::test
