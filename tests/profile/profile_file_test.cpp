#include "tests/support/temp_dir.h"

#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vexlo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

constexpr std::size_t kFileSize = 12324;

Bytes readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void putUint32(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

void putFloat(Bytes& bytes, std::size_t offset, float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    putUint32(bytes, offset, bits);
}

// A well-formed file of `length` bytes whose size field says `length`; the
// body bytes count up so that misplaced reads show.
Bytes wellFormedFile(std::size_t length)
{
    Bytes bytes(length);
    for (std::size_t i = 56; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    std::memcpy(bytes.data(), "VX_config_data", 15);
    putUint32(bytes, 16, 0x3F99999Au);
    putUint32(bytes, 20, static_cast<std::uint32_t>(length));
    return bytes;
}

Bytes recordBytes(const ConfigProfile& profile)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(&profile);
    return Bytes(begin, begin + sizeof(profile));
}

ConfigProfile filledProfile(unsigned char value)
{
    ConfigProfile profile;
    std::memset(&profile, value, sizeof(profile));
    return profile;
}

class ProfileFileTest : public ::testing::Test
{
protected:
    fs::path configFile() const { return m_folder / "config.dat"; }
    std::size_t entriesInFolder() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()));
    }

    vexlo::test::TempDir m_dir{"vexlo-profile"};
    const fs::path m_folder = m_dir.path();
};

TEST_F(ProfileFileTest, SavedFileCarriesTheHeaderAndTheWholeRecord)
{
    ConfigProfile profile{};
    profile.main.searchTick = 1;
    std::strcpy(profile.lan.ipAddress, "127.0.0.9");
    ASSERT_EQ(saveProfile(profile, m_folder), 0);

    const Bytes file = readFile(configFile());
    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_EQ(std::memcmp(file.data(), "VX_config_data\0", 15), 0);
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 20), (Bytes{0x9A, 0x99, 0x99, 0x3F}));
    EXPECT_EQ(Bytes(file.begin() + 20, file.begin() + 24), (Bytes{0x24, 0x30, 0x00, 0x00}));
    EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 56), Bytes(32, 0));
    EXPECT_EQ(file[60], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[880])), "127.0.0.9");
    // The header is stamped into the record too, so memory and file agree.
    EXPECT_EQ(recordBytes(profile), file);
}

TEST_F(ProfileFileTest, SaveWritesEveryByteEachTime)
{
    ConfigProfile profile{};
    ASSERT_EQ(saveProfile(profile, m_folder), 0);
    const Bytes first = readFile(configFile());

    // A damaged file is replaced whole by the next save, with nothing changed.
    writeFile(configFile(), Bytes(10, 0xEE));
    ASSERT_EQ(saveProfile(profile, m_folder), 0);
    EXPECT_EQ(readFile(configFile()), first);
    EXPECT_EQ(entriesInFolder(), 1u) << "no temporary file is left behind";
}

TEST_F(ProfileFileTest, SavedProfileLoadsBackUnchanged)
{
    ConfigProfile saved = filledProfile(0x5A);
    ASSERT_EQ(saveProfile(saved, m_folder), 0);

    ConfigProfile loaded = filledProfile(0x00);
    ASSERT_EQ(loadProfile(loaded, m_folder), 0);
    EXPECT_EQ(recordBytes(loaded), recordBytes(saved));
}

TEST_F(ProfileFileTest, MissingFileLeavesTheRecordUnchanged)
{
    ConfigProfile profile = filledProfile(0x33);
    EXPECT_EQ(loadProfile(profile, m_folder), -1);
    EXPECT_EQ(recordBytes(profile), recordBytes(filledProfile(0x33)));

    fs::create_directory(configFile()); // a folder named config.dat cannot be read either
    EXPECT_EQ(loadProfile(profile, m_folder), -1);
    EXPECT_EQ(recordBytes(profile), recordBytes(filledProfile(0x33)));
}

TEST_F(ProfileFileTest, RejectedHeaderStaysInAnOtherwiseZeroRecord)
{
    Bytes file = wellFormedFile(kFileSize);
    file.pop_back(); // says 12324, holds 12323
    writeFile(configFile(), file);

    ConfigProfile profile = filledProfile(0x77);
    EXPECT_EQ(loadProfile(profile, m_folder), -2);
    Bytes expected(kFileSize, 0);
    std::copy(file.begin(), file.begin() + 56, expected.begin());
    EXPECT_EQ(recordBytes(profile), expected);
}

TEST_F(ProfileFileTest, SizeMustMatchTheFileLength)
{
    // Shorter than a header: the missing size bytes read as zero.
    writeFile(configFile(), Bytes(10, 0));
    ConfigProfile profile{};
    EXPECT_EQ(loadProfile(profile, m_folder), -2);

    Bytes file = wellFormedFile(kFileSize);
    putUint32(file, 20, 0xFFFFFFFFu); // -1 can never equal a length
    writeFile(configFile(), file);
    EXPECT_EQ(loadProfile(profile, m_folder), -2);

    // An empty file says size 0 and is 0 bytes long; its missing tag rejects it.
    writeFile(configFile(), Bytes{});
    EXPECT_EQ(loadProfile(profile, m_folder), -3);
}

TEST_F(ProfileFileTest, TagIsCheckedOverFifteenBytes)
{
    ConfigProfile profile{};
    Bytes file = wellFormedFile(kFileSize);
    file[13] = 'X'; // "VX_config_dat" and another character
    writeFile(configFile(), file);
    EXPECT_EQ(loadProfile(profile, m_folder), -3);

    file = wellFormedFile(kFileSize);
    file[14] = '!'; // the terminating NUL is part of the tag
    writeFile(configFile(), file);
    EXPECT_EQ(loadProfile(profile, m_folder), -3);

    file = wellFormedFile(kFileSize);
    file[15] = '!'; // byte 15 is not examined
    writeFile(configFile(), file);
    EXPECT_EQ(loadProfile(profile, m_folder), 0);
    EXPECT_EQ(profile.header.tag[15], '!');
}

TEST_F(ProfileFileTest, VersionIsAcceptedWithinATenThousandth)
{
    const struct
    {
        float version;
        int result;
    } cases[] = {
        {1.25f, -4},
        {1.20005f, 0},
        {1.19995f, 0},
        {1.1f, -4},
        {1.2002f, -4},
        {0.0f, -4},
        {std::numeric_limits<float>::quiet_NaN(), -4},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.version);
        Bytes file = wellFormedFile(kFileSize);
        putFloat(file, 16, testCase.version);
        writeFile(configFile(), file);
        ConfigProfile profile{};
        EXPECT_EQ(loadProfile(profile, m_folder), testCase.result);
    }
}

TEST_F(ProfileFileTest, ShortConsistentFileLoadsWithAZeroBody)
{
    writeFile(configFile(), wellFormedFile(56));
    ConfigProfile profile = filledProfile(0x66);
    ASSERT_EQ(loadProfile(profile, m_folder), 0);
    const Bytes record = recordBytes(profile);
    EXPECT_EQ(Bytes(record.begin() + 56, record.end()), Bytes(kFileSize - 56, 0));
    EXPECT_EQ(profile.header.size, 56);

    // A part of the body is kept; the rest is zero.
    const Bytes partial = wellFormedFile(1000);
    writeFile(configFile(), partial);
    ASSERT_EQ(loadProfile(profile, m_folder), 0);
    const Bytes partialRecord = recordBytes(profile);
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), partialRecord.begin()));
    EXPECT_EQ(Bytes(partialRecord.begin() + 1000, partialRecord.end()), Bytes(kFileSize - 1000, 0));
}

TEST_F(ProfileFileTest, LongerConsistentFileLoadsItsFirstRecord)
{
    const Bytes file = wellFormedFile(kFileSize + 100);
    writeFile(configFile(), file);
    ConfigProfile profile{};
    ASSERT_EQ(loadProfile(profile, m_folder), 0);
    EXPECT_EQ(recordBytes(profile), Bytes(file.begin(), file.begin() + kFileSize));
}

TEST_F(ProfileFileTest, ReservedBytesSurviveLoadAndSave)
{
    Bytes file = wellFormedFile(kFileSize);
    for (std::size_t i = 24; i < 56; ++i)
        file[i] = static_cast<unsigned char>(0xA0 + i);
    writeFile(configFile(), file);

    ConfigProfile profile{};
    ASSERT_EQ(loadProfile(profile, m_folder), 0);
    ASSERT_EQ(saveProfile(profile, m_folder), 0);
    EXPECT_EQ(readFile(configFile()), file);
}

TEST_F(ProfileFileTest, UnwritableFolderFailsAndChangesNothing)
{
    // Tests run as root, so a folder that is really a regular file stands for
    // one that cannot be written.
    const fs::path notAFolder = m_folder / "plain-file";
    writeFile(notAFolder, Bytes{1, 2, 3});

    ConfigProfile profile{};
    EXPECT_EQ(saveProfile(profile, notAFolder), -1);
    EXPECT_EQ(readFile(notAFolder), (Bytes{1, 2, 3}));
    EXPECT_EQ(recordBytes(profile), Bytes(kFileSize, 0)) << "the header is not stamped";

    EXPECT_EQ(saveProfile(profile, m_folder / "missing" / "deeper"), -1);
}

// The write of the new file fails part-way, as on a full disk: the save
// reports it, and the old config.dat is still there, whole.
TEST_F(ProfileFileTest, FailedWriteKeepsThePreviousFile)
{
    ConfigProfile previous = filledProfile(0x11);
    ASSERT_EQ(saveProfile(previous, m_folder), 0);
    const Bytes before = readFile(configFile());

    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit small = original;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    ConfigProfile next = filledProfile(0x22);
    const int result = saveProfile(next, m_folder);

    ::setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, -1);
    EXPECT_EQ(readFile(configFile()), before);
    EXPECT_EQ(entriesInFolder(), 1u) << "the partial temporary file is removed";
}

TEST_F(ProfileFileTest, WriteProtectedFileIsNotReplaced)
{
    ConfigProfile previous = filledProfile(0x11);
    ASSERT_EQ(saveProfile(previous, m_folder), 0);
    const Bytes before = readFile(configFile());
    fs::permissions(configFile(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The folder stays writable, so only the file's own protection can refuse.
    fs::permissions(m_folder, fs::perms::all);

    // Root may write any file; the save then runs as an ordinary user.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        ConfigProfile next = filledProfile(0x22);
        ::_exit(saveProfile(next, m_folder) == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must fail with -1";
    EXPECT_EQ(readFile(configFile()), before);
    EXPECT_EQ(entriesInFolder(), 1u);
}

TEST_F(ProfileFileTest, ReplacedFileKeepsItsPermissionsAndLink)
{
    ConfigProfile profile{};
    const fs::path real = m_folder / "real.dat";
    writeFile(real, Bytes{0});
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, configFile());

    profile.cloud.syncTime = 1;
    ASSERT_EQ(saveProfile(profile, m_folder), 0);
    EXPECT_TRUE(fs::is_symlink(configFile()));
    EXPECT_EQ(readFile(real).size(), kFileSize);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileFileTest, ConfigurationFolderDefaultsToTheExecutablesFolder)
{
    EXPECT_TRUE(fs::exists(moduleDirectory() / "profile_tests"));
    EXPECT_EQ(configDirectory(), moduleDirectory());

    setConfigDirectory(m_folder);
    ConfigProfile profile{};
    profile.language.languageIndex = 2;
    EXPECT_EQ(saveProfile(profile), 0);
    ConfigProfile loaded{};
    EXPECT_EQ(loadProfile(loaded), 0);
    setConfigDirectory(moduleDirectory());

    EXPECT_EQ(readFile(configFile()).size(), kFileSize);
    EXPECT_EQ(loaded.language.languageIndex, 2);
}

TEST(ProcessProfile, IsOneZeroFilledRecord)
{
    ConfigProfile& profile = processProfile();
    EXPECT_EQ(&profile, &processProfile());
    EXPECT_EQ(recordBytes(profile), Bytes(kFileSize, 0));
}

} // namespace
} // namespace vexlo
