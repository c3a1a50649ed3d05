#include "site_fixture.h"

#include "ipcsim/firmware.h"
#include "protocol/command_codes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace vexlo::netsdk::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kFileSize = 1024 * 1024; // 16 chunks

class UpgradeTest : public SiteTest
{
protected:
    std::string firmware(const std::string& version)
    {
        const auto path = dir() / ("fw-" + version + ".bin");
        ipcsim::makeFirmwareFile(path, version, kFileSize);
        return path.string();
    }

    // Polls progress as the program does (state first) until `done`, and
    // returns every value seen.
    template <typename Done> std::set<int> watchProgress(int handle, Done done)
    {
        std::set<int> seen;
        waitUntil(
            [&] {
                if (sdk().GetUpgradeState(handle) == 0)
                    seen.insert(sdk().GetUpgradeProgress(handle));
                return done();
            },
            kWait);
        return seen;
    }
};

// The percentages a 1 MiB upload can show: whole 64 KiB chunks acknowledged.
bool isChunkPercent(int percent)
{
    for (std::uint64_t k = 0; k <= 16; ++k) {
        if (percent == static_cast<int>(k * 65536 * 100 / kFileSize))
            return true;
    }
    return false;
}

TEST_F(UpgradeTest, UploadEndsWithEventFourteenThenTheCameraComesBackWithTheNewVersion)
{
    start(healthySite(1));
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(sdk().SetAutoReconnect(handle, 1), 0);
    EXPECT_NE(sdk().GetUpgradeState(handle), 0); // no upload yet

    ASSERT_EQ(sdk().Upgrade(handle, firmware("V7.1.3").c_str()), 0);
    const auto seen = watchProgress(
        handle, [&] { return events().statusCount(handle, SDK_EVENT_UPLOAD_DONE) > 0; });
    ASSERT_EQ(events().statusCount(handle, SDK_EVENT_UPLOAD_DONE), 1);
    EXPECT_EQ(events().statusCount(handle, SDK_EVENT_UPLOAD_FAILED), 0);
    EXPECT_EQ(sdk().GetUpgradeProgress(handle), 100);
    for (int percent : seen)
        EXPECT_TRUE(isChunkPercent(percent)) << percent;

    // The verdict, then the reboot: the session comes back under the same handle.
    ASSERT_TRUE(events().waitForAnswer(handle, 1009, kWait));
    ASSERT_TRUE(events().waitForStatus(handle, SDK_EVENT_LOGIN_OK, kWait, 2));
    ASSERT_EQ(sdk().SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
    const auto version = events().waitForAnswer(handle, 1012, kWait);
    ASSERT_TRUE(version);
    EXPECT_NE(version->text.find("FileSystemVersion=\"V7.1.3\""), std::string::npos)
        << version->text;
}

TEST_F(UpgradeTest, StalledUploadKeepsItsProgressAndTheSession)
{
    auto scenario = healthySite(1);
    scenario.cameras[0].faults.uploadStallPercent = 40;
    start(std::move(scenario));
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(sdk().Upgrade(handle, firmware("V7.1.4").c_str()), 0);

    ASSERT_TRUE(waitUntil([&] { return sdk().GetUpgradeProgress(handle) >= 37; }, kWait));
    const int stalled = sdk().GetUpgradeProgress(handle);
    EXPECT_LE(stalled, 40);
    EXPECT_TRUE(isChunkPercent(stalled));
    // A second upload is refused while this one runs.
    EXPECT_NE(sdk().Upgrade(handle, firmware("V7.1.5").c_str()), 0);
    // Well past the keep-alive and dead-session times: no event, same progress,
    // and the session still answers.
    EXPECT_FALSE(events().waitForStatus(handle, SDK_EVENT_UPLOAD_FAILED,
                                        std::chrono::milliseconds(int(20000 / kScale))));
    EXPECT_EQ(sdk().GetUpgradeProgress(handle), stalled);
    EXPECT_EQ(sdk().GetUpgradeState(handle), 0);
    EXPECT_EQ(sdk().SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
    EXPECT_TRUE(events().waitForAnswer(handle, 1012, kWait));
}

TEST_F(UpgradeTest, FailedUploadGivesEventFifteen)
{
    auto scenario = healthySite(1);
    scenario.cameras[0].faults.uploadFailPercent = 30;
    start(std::move(scenario));
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(sdk().Upgrade(handle, firmware("V7.1.6").c_str()), 0);
    ASSERT_TRUE(events().waitForStatus(handle, SDK_EVENT_UPLOAD_FAILED, kWait));
    EXPECT_EQ(events().statusCount(handle, SDK_EVENT_UPLOAD_DONE), 0);
    EXPECT_LT(sdk().GetUpgradeProgress(handle), 100);
    // The session survives, and a new upload may start.
    EXPECT_EQ(sdk().Upgrade(handle, firmware("V7.1.7").c_str()), 0);
}

TEST_F(UpgradeTest, SessionLostDuringTheUploadGivesEventFifteen)
{
    auto scenario = healthySite(1);
    scenario.cameras[0].faults.uploadStallPercent = 50;
    scenario.cameras[0].faults.dropSessionAfterSeconds = 10;
    start(std::move(scenario));
    const std::string file = firmware("V7.1.8"); // ready before the session's time runs
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(sdk().Upgrade(handle, file.c_str()), 0);
    ASSERT_TRUE(events().waitForStatus(handle, SDK_EVENT_UPLOAD_FAILED, kWait));
    EXPECT_EQ(events().statusCount(handle, SDK_EVENT_UPLOAD_DONE), 0);
    EXPECT_NE(sdk().SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
}

TEST_F(UpgradeTest, RefusedFirmwareIsAnsweredWithTheRefusalBit)
{
    auto scenario = healthySite(2);
    scenario.cameras[0].faults.firmwareRefused = true;
    start(std::move(scenario));
    const int refusing = loginTo(0);
    const int checking = loginTo(1);
    ASSERT_GT(refusing, 0);
    ASSERT_GT(checking, 0);

    // A file not made for the camera: uploaded fine, then refused by the check.
    const auto junk = dir() / "not-firmware.bin";
    std::ofstream(junk) << std::string(200000, 'x');

    ASSERT_EQ(sdk().Upgrade(refusing, firmware("V7.2.0").c_str()), 0);
    ASSERT_EQ(sdk().Upgrade(checking, junk.string().c_str()), 0);
    for (int handle : {refusing, checking}) {
        EXPECT_TRUE(events().waitForStatus(handle, SDK_EVENT_UPLOAD_DONE, kWait));
        EXPECT_TRUE(events().waitForAnswer(handle, sdkRefusalOf(1009), kWait));
        EXPECT_FALSE(events().waitForAnswer(handle, 1009, 0ms));
    }
}

TEST_F(UpgradeTest, UpgradeRefusesWhatItCannotSend)
{
    start(healthySite(1));
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    const auto empty = dir() / "empty.bin";
    std::ofstream{empty};
    EXPECT_NE(sdk().Upgrade(handle, (dir() / "missing.bin").string().c_str()), 0);
    EXPECT_NE(sdk().Upgrade(handle, empty.string().c_str()), 0);
    EXPECT_NE(sdk().Upgrade(handle, dir().string().c_str()), 0);
    EXPECT_NE(sdk().Upgrade(handle, nullptr), 0);
    ASSERT_EQ(sdk().Logout(handle), 0);
    EXPECT_NE(sdk().Upgrade(handle, firmware("V7.3.0").c_str()), 0);
}

} // namespace
} // namespace vexlo::netsdk::test
