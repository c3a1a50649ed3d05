#pragma once

#include "sdk/backend.h"

#include <gmock/gmock.h>

// A device library whose calls tests script with GoogleMock. Installs itself
// for its lifetime.
class MockDeviceLibrary : public vexlo::sdk::DeviceLibrary
{
public:
    MockDeviceLibrary() { m_previous = vexlo::sdk::installDeviceLibrary(this); }
    ~MockDeviceLibrary() override { vexlo::sdk::installDeviceLibrary(m_previous); }

    MOCK_METHOD(int, Init, (), (override));
    MOCK_METHOD(int, SetStatusEventCallBack, (STATUS_EVENT_CALLBACK, void*), (override));
    MOCK_METHOD(int, SetAUXResponseCallBack, (AUX_RESPONSE_CALLBACK, void*), (override));
    MOCK_METHOD(int, StartSearchIPC, (), (override));
    MOCK_METHOD(int, StopSearchIPC, (), (override));
    MOCK_METHOD(int, GetSearchIPCCount, (), (override));
    MOCK_METHOD(int, GetIPCInfo, (int, _IPCINFO*), (override));
    MOCK_METHOD(int, ModifyIPC, (int, const _IPCINFO*), (override));
    MOCK_METHOD(int, Login, (const char*, std::uint16_t, const char*, const char*, int),
                (override));
    MOCK_METHOD(int, SetAutoReconnect, (int, int), (override));
    MOCK_METHOD(int, Logout, (int), (override));
    MOCK_METHOD(int, SystemControl, (int, int, int, const char*), (override));
    MOCK_METHOD(int, SetDVRConfig, (int, int, int, const char*, int), (override));
    MOCK_METHOD(int, GetDVRConfig, (int, int, int, char*, int, int*), (override));
    MOCK_METHOD(int, Upgrade, (int, const char*), (override));
    MOCK_METHOD(int, GetUpgradeState, (int), (override));
    MOCK_METHOD(int, GetUpgradeProgress, (int), (override));
    MOCK_METHOD(int, FormatDisk, (int, int), (override));
    MOCK_METHOD(int, RestoreConfig, (int), (override));
    MOCK_METHOD(int, RebootDVR, (int), (override));
    MOCK_METHOD(int, RealPlayEx,
                (int, const char*, const char*, const char*, REAL_DATA_CALLBACK,
                 const IP_PLAY_CLIENTINFO*, void*),
                (override));
    MOCK_METHOD(int, StopRealPlay, (int), (override));

private:
    vexlo::sdk::DeviceLibrary* m_previous = nullptr;
};
