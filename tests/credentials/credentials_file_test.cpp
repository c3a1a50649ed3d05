#include "tests/support/temp_dir.h"

#include "credentials/credentials_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexlo::credentials {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

mode_t modeOf(const fs::path& path)
{
    struct stat status = {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

SiteCredentials sampleSite()
{
    SiteCredentials site;
    site.pairs = {{"admin", ""}, {"admin", "12345"}, {"操作员", "密码 \"quoted\" \\ back\nslash"}};
    site.cameras = {CameraLogin{"VX26010022", "", {"u", "p"}},
                    CameraLogin{"", "127.0.10.5", {"installer", "s3cret"}}};
    return site;
}

class CredentialsFileTest : public ::testing::Test
{
protected:
    fs::path file() const { return credentialsFileBeside(m_folder); }
    std::size_t entriesInFolder() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }

    vexlo::test::TempDir m_dir{"vexlo-credentials"};
    const fs::path m_folder = m_dir.path();
};

TEST_F(CredentialsFileTest, SavedCredentialsLoadBackAndHandWrittenFilesLoad)
{
    EXPECT_EQ(file(), m_folder / "credentials.json");
    EXPECT_EQ(loadCredentials(file()).found, false) << "a missing file is no error";
    EXPECT_EQ(loadCredentials(file()).error, "");

    std::string error;
    ASSERT_TRUE(saveCredentials(file(), sampleSite(), error)) << error;
    const CredentialsLoad load = loadCredentials(file());
    EXPECT_TRUE(load.found);
    EXPECT_EQ(load.error, "");
    EXPECT_EQ(load.credentials, sampleSite());
    const std::string text = readFile(file());
    EXPECT_LT(text.find("\n    \"logins\": ["), text.find("\"cameras\"")) << text;

    // Both lists and the password are optional; an empty "logins" means the default.
    writeFile(file(), R"({"logins": [], "cameras": [{"address": "127.0.10.5", "user": "v"}]})");
    SiteCredentials expected = defaultCredentials();
    expected.cameras = {CameraLogin{"", "127.0.10.5", {"v", ""}}};
    EXPECT_EQ(loadCredentials(file()).credentials, expected);
}

// With no file creation mask, a file keeps the mode it was created with, and
// rename keeps it too: a saved file of mode 0600 was never readable by others,
// not even as the temporary file it was written as.
TEST_F(CredentialsFileTest, SavedFileIsOnlyEverReadableByItsOwner)
{
    const mode_t previousMask = ::umask(0);
    writeFile(file(), "{}");
    fs::permissions(file(), fs::perms::all);
    std::string error;
    const bool saved = saveCredentials(file(), sampleSite(), error);
    const fs::path deeper = m_folder / "new" / "credentials.json";
    const bool savedDeeper = saveCredentials(deeper, sampleSite(), error);
    ::umask(previousMask);

    ASSERT_TRUE(saved && savedDeeper) << error;
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(modeOf(deeper), 0600u);
    EXPECT_EQ(modeOf(m_folder / "new"), 0700u);
    EXPECT_EQ(entriesInFolder(), 2u) << "no temporary file is left behind";
}

TEST_F(CredentialsFileTest, MalformedFileIsReportedAndLeftAsItIs)
{
    std::string tooManyLogins = R"({"logins": [{"user": "a"})";
    for (std::size_t i = 0; i < kMaxLoginPairs; ++i)
        tooManyLogins += R"(, {"user": "a"})";
    tooManyLogins += "]}";
    const struct
    {
        std::string text;
        const char* says;
    } cases[] = {
        {"{\n  \"logins\": [\n    {\"user\": \"a\", \"password\": \"s3cret\"\n  ]\n}",
         "is not valid JSON (error at line 4)"},
        {" \n", "is empty"},
        {std::string(300000, '[') + std::string(300000, ']'), "must hold an object"},
        {R"({"logins": {"user": "a"}})", "\"logins\" must be a list"},
        {R"({"logins": [{"user": "a"}, {"password": "s3cret"}]})",
         "entry 2 of \"logins\" has no user name"},
        {R"({"logins": [{"user": "a", "password": 5}]})",
         "\"password\" of entry 1 of \"logins\" must be a text"},
        {R"({"logins": [{"user": "a", "pasword": "s3cret"}]})", "unknown member \"pasword\""},
        {R"({"cameras": [{"user": "u", "password": "s3cret"}]})", "names no camera"},
        {R"({"cameras": [{"serial": "VX1", "address": "127.0.10.5", "user": "u"}]})",
         "has both \"serial\" and \"address\""},
        {R"({"cameras": [{"address": "127.0.10.256", "user": "u", "password": "s3cret"}]})",
         "the address \"127.0.10.256\" is not an IPv4 address"},
        {R"({"logins": [{"user": "a"}]})" + std::string(kMaxCredentialsFileBytes, ' '),
         "larger than 1 MiB"},
        {tooManyLogins, "\"logins\" has more than 1000 entries"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.text.substr(0, 80));
        writeFile(file(), testCase.text);
        const CredentialsLoad load = loadCredentials(file());
        EXPECT_TRUE(load.found);
        EXPECT_NE(load.error.find(testCase.says), std::string::npos) << load.error;
        EXPECT_NE(load.error.find(file().string()), std::string::npos) << "names the file";
        EXPECT_EQ(load.error.find("s3cret"), std::string::npos) << "never shows a password";
        EXPECT_EQ(load.credentials, defaultCredentials());
        EXPECT_EQ(readFile(file()), testCase.text);
    }
    EXPECT_EQ(entriesInFolder(), 1u);

    writeFile(file(), "{\n\n  \"logins\" [\n");
    EXPECT_EQ(loadCredentials(file(), TextLanguage::Chinese).error,
              "登录账号文件 " + file().string() + " 不是有效的 JSON（第 3 行有误）。");
}

TEST_F(CredentialsFileTest, SaveRefusesWhatLoadingWouldRefuseAndChangesNothing)
{
    std::string error;
    ASSERT_TRUE(saveCredentials(file(), sampleSite(), error));
    const std::string before = readFile(file());

    SiteCredentials bad = sampleSite();
    bad.pairs[1].user.clear();
    EXPECT_FALSE(saveCredentials(file(), bad, error));
    EXPECT_NE(error.find("entry 2 of \"logins\" has no user name"), std::string::npos) << error;
    bad = sampleSite();
    bad.cameras[1].login.password = "\xC3\x28";
    EXPECT_FALSE(saveCredentials(file(), bad, error));
    EXPECT_NE(error.find("not valid UTF-8"), std::string::npos) << error;
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(CredentialsFileTest, WriteProtectedFileIsNotReplaced)
{
    std::string error;
    ASSERT_TRUE(saveCredentials(file(), sampleSite(), error));
    const std::string before = readFile(file());
    fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The folder stays writable, so only the file's own protection can refuse.
    fs::permissions(m_folder, fs::perms::all);
    const fs::path writable = m_folder / "writable.json";
    writeFile(writable, "{}");
    fs::permissions(writable, fs::perms::all);

    // Root may write any file; the saves then run as an ordinary user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        std::string childError;
        if (saveCredentials(file(), defaultCredentials(), childError) ||
            childError.find("is write-protected") == std::string::npos)
            ::_exit(1);
        // The same user may replace a file it can write in the same folder.
        ::_exit(saveCredentials(writable, defaultCredentials(), childError) ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the protected file was replaced or not reported; "
                                         "2: the writable file was not replaced";
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(entriesInFolder(), 2u);
}

// The write fails part-way, as on a full disk: the previous file stays whole.
TEST_F(CredentialsFileTest, FailedWriteKeepsThePreviousFile)
{
    std::string error;
    ASSERT_TRUE(saveCredentials(file(), sampleSite(), error));
    const std::string before = readFile(file());
    SiteCredentials large;
    large.pairs.assign(500, LoginPair{"user", std::string(40, 'p')});

    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit small = original;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = saveCredentials(file(), large, error);
    ::setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_NE(error.find("could not be written"), std::string::npos) << error;
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(entriesInFolder(), 1u) << "the partial temporary file is removed";
}

} // namespace
} // namespace vexlo::credentials
