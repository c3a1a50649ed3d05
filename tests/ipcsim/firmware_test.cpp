#include "tests/support/temp_dir.h"

#include "ipcsim/firmware.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace vexlo::ipcsim {
namespace {

FirmwareVerdict checkInChunks(std::string_view bytes, std::size_t chunk)
{
    FirmwareChecker checker;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        checker.feed(bytes.substr(at, chunk));
    }
    return checker.finish();
}

TEST(FirmwareFile, MadeFileIsAcceptedWithItsVersion)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "fw.bin";
    makeFirmwareFile(file, "V5.3.0 build 261115");
    EXPECT_EQ(std::filesystem::file_size(file), kDefaultFirmwareFileSize);
    EXPECT_FALSE(std::filesystem::exists(dir / "fw.bin.part"));

    const FirmwareVerdict verdict = checkFirmwareFile(file);
    EXPECT_TRUE(verdict.accepted) << verdict.reason;
    EXPECT_EQ(verdict.version, "V5.3.0 build 261115");
}

TEST(FirmwareFile, SizeIsExactDownToAHeaderAlone)
{
    for (const std::uint64_t size : {std::uint64_t{96}, std::uint64_t{97}, std::uint64_t{100003}}) {
        const std::string image = makeFirmwareImage("V1", size);
        ASSERT_EQ(image.size(), size);
        const FirmwareVerdict verdict = checkInChunks(image, 4096);
        EXPECT_TRUE(verdict.accepted) << size << ": " << verdict.reason;
        EXPECT_EQ(verdict.version, "V1");
    }
}

TEST(FirmwareFile, SameInputsGiveSameBytesAndVersionsDiffer)
{
    EXPECT_EQ(makeFirmwareImage("V1.0", 5000), makeFirmwareImage("V1.0", 5000));
    const std::string a = makeFirmwareImage("V1.0", 5000);
    const std::string b = makeFirmwareImage("V1.1", 5000);
    EXPECT_NE(a.substr(kFirmwareHeaderSize), b.substr(kFirmwareHeaderSize));
}

TEST(FirmwareFile, RefusesToMakeBadVersionsAndSizes)
{
    vexlo::test::TempDir dir;
    const std::string longest(63, 'v');
    EXPECT_NO_THROW(makeFirmwareImage(longest, 200));
    for (const std::string& bad : {std::string(), longest + "v", std::string("V\"1"),
                                   std::string("V1\n"), std::string("V\xE4\xB8\xAD")}) {
        EXPECT_THROW(makeFirmwareFile(dir / "bad.bin", bad, 200), FirmwareError) << bad;
    }
    EXPECT_THROW(makeFirmwareFile(dir / "small.bin", "V1", kFirmwareHeaderSize - 1), FirmwareError);
    EXPECT_THROW(makeFirmwareFile(dir / "huge.bin", "V1", kMaxFirmwareFileSize + 1), FirmwareError);
    EXPECT_THROW(makeFirmwareFile(dir / "no-such-folder" / "fw.bin", "V1", 200), FirmwareError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(FirmwareFile, ThirtyTwoMegabytesAreMadeAndChecked)
{
    vexlo::test::TempDir dir;
    const auto file = dir / "big.bin";
    const std::uint64_t size = 32ull * 1024 * 1024;
    makeFirmwareFile(file, "V9.9.9", size);
    EXPECT_EQ(std::filesystem::file_size(file), size);
    const FirmwareVerdict verdict = checkFirmwareFile(file);
    EXPECT_TRUE(verdict.accepted) << verdict.reason;
    EXPECT_EQ(verdict.version, "V9.9.9");
}

TEST(FirmwareChecker, OddChunkSizesGiveTheSameVerdict)
{
    const std::string image = makeFirmwareImage("V2.0.1", 70001);
    for (const std::size_t chunk :
         {std::size_t{1}, std::size_t{7}, std::size_t{95}, std::size_t{96}, std::size_t{97},
          std::size_t{4093}, image.size()}) {
        const FirmwareVerdict verdict = checkInChunks(image, chunk);
        EXPECT_TRUE(verdict.accepted) << chunk << ": " << verdict.reason;
        EXPECT_EQ(verdict.version, "V2.0.1");
    }
}

TEST(FirmwareChecker, KnowsTheSizeOnceTheHeaderArrived)
{
    const std::string image = makeFirmwareImage("V2", 1000);
    FirmwareChecker checker;
    checker.feed(image.substr(0, 95));
    EXPECT_FALSE(checker.announcedFileSize().has_value());
    checker.feed(image.substr(95, 10));
    EXPECT_EQ(checker.announcedFileSize(), 1000u);
    EXPECT_EQ(checker.bytesReceived(), 105u);
    EXPECT_FALSE(checker.refusedAlready());
    EXPECT_FALSE(checker.finish().accepted) << "only part of the file has arrived";
}

TEST(FirmwareChecker, RefusesTruncatedAndOverlongFiles)
{
    const std::string image = makeFirmwareImage("V3", 10000);
    const FirmwareVerdict shortOne = checkInChunks(image.substr(0, image.size() - 1), 333);
    EXPECT_FALSE(shortOne.accepted);
    EXPECT_EQ(shortOne.reason, "the file is shorter than its header says");
    EXPECT_TRUE(shortOne.version.empty());

    FirmwareChecker longOne;
    longOne.feed(image);
    longOne.feed("x");
    EXPECT_TRUE(longOne.refusedAlready());
    EXPECT_FALSE(longOne.finish().accepted);

    EXPECT_FALSE(checkInChunks(image.substr(0, 50), 10).accepted);
    EXPECT_FALSE(FirmwareChecker().finish().accepted);
}

TEST(FirmwareChecker, RefusesAnyChangedByte)
{
    const std::string image = makeFirmwareImage("V4.0", 3000);
    // A byte of the magic, the sizes, both checksums, the version and the payload.
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{9}, std::size_t{16}, std::size_t{24}, std::size_t{28},
          std::size_t{33}, std::size_t{95}, std::size_t{96}, std::size_t{2999}}) {
        std::string damaged = image;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        const FirmwareVerdict verdict = checkInChunks(damaged, 512);
        EXPECT_FALSE(verdict.accepted) << "byte " << at;
        EXPECT_FALSE(verdict.reason.empty());
    }
}

TEST(FirmwareChecker, RefusesForeignFiles)
{
    vexlo::test::TempDir dir;
    const auto text = dir / "readme.bin";
    std::ofstream(text) << "this is not firmware, just a text that is long enough to fill "
                           "a whole header and a bit more of it\n";
    EXPECT_FALSE(checkFirmwareFile(text).accepted);

    const auto empty = dir / "empty.bin";
    std::ofstream{empty};
    EXPECT_FALSE(checkFirmwareFile(empty).accepted);
    EXPECT_FALSE(checkFirmwareFile(dir / "missing.bin").accepted);

    const FirmwareVerdict magicOnly = checkInChunks("VXLOFWSM" + std::string(200, '\0'), 64);
    EXPECT_FALSE(magicOnly.accepted);
}

TEST(FirmwareChecker, SurvivesRandomBytes)
{
    std::mt19937 random(12345);
    const std::string image = makeFirmwareImage("V5", 400);
    for (int round = 0; round < 500; ++round) {
        // Half the rounds keep a sound header start so the later checks run too.
        std::string bytes = round % 2 == 0 ? image.substr(0, random() % 40) : std::string();
        const std::size_t extra = random() % 600;
        for (std::size_t i = 0; i < extra; ++i) {
            bytes.push_back(static_cast<char>(random()));
        }
        const FirmwareVerdict verdict = checkInChunks(bytes, 1 + random() % 50);
        EXPECT_FALSE(verdict.accepted);
    }
}

} // namespace
} // namespace vexlo::ipcsim
