#include "site_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vexlo::netsdk::test {
namespace {

using namespace std::chrono_literals;

class MaintenanceTest : public SiteTest
{
protected:
    // Searches until `serial` shows up at `address`; its search position, or -1.
    int findInSearch(const std::string& serial, const std::string& address)
    {
        int position = -1;
        sdk().StartSearchIPC();
        waitUntil(
            [&] {
                for (int i = 0; i < sdk().GetSearchIPCCount(); ++i) {
                    _IPCINFO info{};
                    if (sdk().GetIPCInfo(i, &info) == 0 && serial == info.serialNo &&
                        address == info.ipAddress) {
                        position = i;
                        return true;
                    }
                }
                return false;
            },
            kWait);
        sdk().StopSearchIPC();
        return position;
    }
};

TEST_F(MaintenanceTest, RebootGoesDownAndComesBack)
{
    start(healthySite(1));
    const int handle = loginTo(0);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(sdk().SetAutoReconnect(handle, 1), 0);
    ASSERT_EQ(sdk().RebootDVR(handle), 0);
    EXPECT_TRUE(events().waitForAnswer(handle, 1101, kWait));
    ASSERT_TRUE(events().waitForStatus(handle, SDK_EVENT_LOGIN_OK, kWait, 2));
    EXPECT_EQ(sdk().SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
    EXPECT_TRUE(events().waitForAnswer(handle, 1012, kWait));
}

TEST_F(MaintenanceTest, LoginWhileTheCameraIsStillDownSucceedsOnceItIsBack)
{
    auto scenario = healthySite(1);
    scenario.cameras[0].rebootSeconds = 20;
    start(std::move(scenario));
    const int first = loginTo(0);
    ASSERT_GT(first, 0);
    ASSERT_EQ(sdk().RebootDVR(first), 0);
    ASSERT_TRUE(waitUntil([&] { return sdk().SystemControl(first, 1012, 0, "x") != 0; }, kWait));

    // As after a firmware install: a new login while the camera is down, with
    // auto-reconnect asked for once the handle is known.
    const int second = sdk().Login(camera(0).address.c_str(), camera(0).port, "admin", "", 0);
    ASSERT_GT(second, 0);
    ASSERT_EQ(sdk().SetAutoReconnect(second, 1), 0);
    ASSERT_TRUE(events().waitForStatus(second, SDK_EVENT_LOGIN_OK, kWait));
    EXPECT_EQ(sdk().SystemControl(second, 1012, 0, "RESPONSE_PARAM"), 0);
    EXPECT_TRUE(events().waitForAnswer(second, 1012, kWait));
    sdk().Logout(second);
}

TEST_F(MaintenanceTest, RestoreComesBackAtTheFactoryAddressSeenButNotReachable)
{
    start(healthySite(2));
    const int handle = loginTo(1);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(sdk().RestoreConfig(handle), 0);
    EXPECT_TRUE(events().waitForAnswer(handle, 1102, kWait));
    ASSERT_GE(findInSearch(camera(1).serial, "192.168.0.123"), 0);
    // The guard keeps the library from ever trying to reach it.
    EXPECT_LE(sdk().Login("192.168.0.123", camera(1).port, "admin", "", 0), 0);
    sdk().Logout(handle);
}

TEST_F(MaintenanceTest, ModifyIpMovesTheCameraOrFails)
{
    auto scenario = healthySite(3);
    scenario.cameras[0].type = "NVR";
    scenario.cameras[2].faults.modifyIpRefused = true;
    start(std::move(scenario));

    // The camera's own record from the current search, with the new address written in.
    auto recordOf = [&](std::size_t index) {
        _IPCINFO info{};
        const int position = findInSearch(camera(index).serial, camera(index).address);
        EXPECT_GE(position, 0);
        EXPECT_EQ(sdk().GetIPCInfo(position, &info), 0);
        return info;
    };
    _IPCINFO moving = recordOf(1);
    const std::string oldAddress = moving.ipAddress;
    const std::string newAddress = oldAddress.substr(0, oldAddress.rfind('.')) + ".150";
    std::strcpy(moving.ipAddress, newAddress.c_str());
    // The program's row index need not be the search position (recorders are
    // not listed); here it is the recorder's position, and the record decides.
    const int recorderPosition = findInSearch(camera(0).serial, camera(0).address);
    ASSERT_GE(recorderPosition, 0);
    EXPECT_EQ(sdk().ModifyIPC(recorderPosition, &moving), 0);
    EXPECT_GE(findInSearch(camera(1).serial, newAddress), 0);
    EXPECT_GE(findInSearch(camera(0).serial, camera(0).address), 0);
    const int handle = sdk().Login(newAddress.c_str(), camera(1).port, "admin", "", 0);
    EXPECT_TRUE(events().waitForStatus(handle, SDK_EVENT_LOGIN_OK, kWait));

    _IPCINFO refusing = recordOf(2);
    std::strcpy(refusing.ipAddress, (oldAddress.substr(0, oldAddress.rfind('.')) + ".151").c_str());
    EXPECT_NE(sdk().ModifyIPC(1, &refusing), 0);
}

} // namespace
} // namespace vexlo::netsdk::test
