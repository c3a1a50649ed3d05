#include "tests/support/mock_device_library.h"

#include "engine/batch_state.h"
#include "engine/sdk_callbacks.h"
#include "sdk/backend.h"
#include "sdk/netsdk.h"
#include "sdk/player.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using ::testing::_;
using ::testing::Return;
using ::testing::StrEq;

namespace {

TEST(DeviceLibrarySeam, EveryCallFailsWhileNothingIsInstalled)
{
    _IPCINFO info{};
    EXPECT_EQ(IP_NET_DVR_Init(), vexlo::sdk::kNoLibrary);
    EXPECT_EQ(IP_NET_DVR_Login("127.0.0.1", 8000, "admin", "", 0), vexlo::sdk::kNoLibrary);
    EXPECT_EQ(IP_NET_DVR_GetIPCInfo(0, &info), vexlo::sdk::kNoLibrary);
    EXPECT_EQ(IP_ORV_Init(), vexlo::sdk::kNoLibrary);
    EXPECT_EQ(IP_ORV_Stop(1000), vexlo::sdk::kNoLibrary);
}

TEST(DeviceLibrarySeam, CallsReachTheInstalledLibraryWithTheirArguments)
{
    MockDeviceLibrary library;
    EXPECT_CALL(library, Login(StrEq("127.0.3.4"), 8000, StrEq("admin"), StrEq("pw"), 0))
        .WillOnce(Return(17));
    EXPECT_CALL(library, SetDVRConfig(17, 421, 0, StrEq("<FTPList />"), 12)).WillOnce(Return(0));
    EXPECT_CALL(library, GetUpgradeProgress(17)).WillOnce(Return(55));

    EXPECT_EQ(IP_NET_DVR_Login("127.0.3.4", 8000, "admin", "pw", 0), 17);
    EXPECT_EQ(IP_NET_DVR_SetDVRConfig(17, 421, 0, "<FTPList />", 12), 0);
    EXPECT_EQ(IP_NET_DVR_GetUpgradeProgress(17), 55);
}

TEST(DeviceLibrarySeam, UninstallingRestoresThePreviousLibrary)
{
    {
        MockDeviceLibrary library;
        EXPECT_CALL(library, Init()).WillOnce(Return(0));
        EXPECT_EQ(IP_NET_DVR_Init(), 0);
    }
    EXPECT_EQ(IP_NET_DVR_Init(), vexlo::sdk::kNoLibrary);
}

TEST(DeviceLibrarySeam, CallbacksAreRegisteredWithTheSharedStateAsUserValue)
{
    MockDeviceLibrary library;
    vexlo::BatchState state;
    EXPECT_CALL(library, SetStatusEventCallBack(&vexlo::StatusEventCallBack, &state))
        .WillOnce(Return(0));
    EXPECT_CALL(library, SetAUXResponseCallBack(&vexlo::AUXResponseCallBack, &state))
        .WillOnce(Return(0));
    vexlo::registerSdkCallbacks(state);
}

TEST(DeviceLibraryContract, RefusalBitAndCommandNumber)
{
    EXPECT_TRUE(sdkIsRefusal(sdkRefusalOf(1009)));
    EXPECT_FALSE(sdkIsRefusal(1009));
    EXPECT_EQ(sdkCommandOf(sdkRefusalOf(1009)), 1009);
    EXPECT_LT(sdkRefusalOf(325), 0) << "a refusal is a negative code";
    EXPECT_EQ(sdkCommandOf(sdkRefusalOf(325)), 325);
}

} // namespace
