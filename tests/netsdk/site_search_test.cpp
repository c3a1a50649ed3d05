#include "site_fixture.h"

#include <gtest/gtest.h>

#include <set>

namespace vexlo::netsdk::test {
namespace {

using namespace std::chrono_literals;

TEST_F(SiteTest, SearchFindsEveryCameraOnceWithRecorders)
{
    auto scenario = healthySite(250);
    for (std::size_t i = 0; i < scenario.cameras.size(); i += 25)
        scenario.cameras[i].type = "NVR";
    start(std::move(scenario));

    ASSERT_EQ(sdk().StartSearchIPC(), 0);
    ASSERT_TRUE(waitUntil([&] { return sdk().GetSearchIPCCount() >= 250; }, kWait))
        << sdk().GetSearchIPCCount();
    // Several probe periods more: repeated answers must not add rows.
    const int periodsMs = static_cast<int>(3000 / kScale);
    EXPECT_FALSE(waitUntil([&] { return sdk().GetSearchIPCCount() > 250; },
                           std::chrono::milliseconds(periodsMs)));
    ASSERT_EQ(sdk().StopSearchIPC(), 0);

    std::set<std::string> serials;
    int recorders = 0;
    for (int i = 0; i < 250; ++i) {
        _IPCINFO info{};
        ASSERT_EQ(sdk().GetIPCInfo(i, &info), 0);
        serials.insert(info.serialNo);
        recorders += std::string(info.deviceType) == "NVR";
        EXPECT_STREQ(info.userName, "admin");
        EXPECT_STREQ(info.password, "");
    }
    EXPECT_EQ(serials.size(), 250u);
    EXPECT_EQ(recorders, 10);

    _IPCINFO info{};
    ASSERT_EQ(sdk().GetIPCInfo(0, &info), 0);
    const auto& setup = camera(std::stoi(std::string(info.serialNo).substr(3)) - 1);
    EXPECT_STREQ(info.ipAddress, setup.address.c_str());
    EXPECT_STREQ(info.macAddress, setup.mac.c_str());
    EXPECT_EQ(info.port, setup.port);
}

} // namespace
} // namespace vexlo::netsdk::test
