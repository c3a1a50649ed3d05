#pragma once

#include "sdk/backend.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

// Both device libraries behind one: the home protocol's and ONVIF's. One
// search runs both at once and lists every camera once (by serial and MAC); a
// camera that answers both is driven by the home protocol. A login handle and
// a search position remember the library they belong to: the second library
// numbers its handles from `secondHandleBase`, so every handle names its
// library without a table, and events and answers pass through unchanged.
namespace vexlo::composite {

class CompositeLibrary : public sdk::DeviceLibrary
{
public:
    CompositeLibrary(sdk::DeviceLibrary& home, sdk::DeviceLibrary& onvif, int secondHandleBase);

    int Init() override;
    int SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user) override;
    int SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user) override;

    int StartSearchIPC() override;
    int StopSearchIPC() override;
    int GetSearchIPCCount() override;
    int GetIPCInfo(int index, _IPCINFO* info) override;
    int ModifyIPC(int index, const _IPCINFO* info) override;

    int Login(const char* ip, std::uint16_t port, const char* user, const char* password,
              int reserved) override;
    int SetAutoReconnect(int loginHandle, int enable) override;
    int Logout(int loginHandle) override;

    int SystemControl(int loginHandle, int command, int channel, const char* request) override;
    int SetDVRConfig(int loginHandle, int command, int channel, const char* text,
                     int length) override;
    int GetDVRConfig(int loginHandle, int command, int channel, char* buffer, int bufferSize,
                     int* returned) override;

    int Upgrade(int loginHandle, const char* firmwarePath) override;
    int GetUpgradeState(int loginHandle) override;
    int GetUpgradeProgress(int loginHandle) override;

    int FormatDisk(int loginHandle, int disk) override;
    int RestoreConfig(int loginHandle) override;
    int RebootDVR(int loginHandle) override;

    int RealPlayEx(int loginHandle, const char* ip, const char* userName, const char* password,
                   REAL_DATA_CALLBACK callback, const IP_PLAY_CLIENTINFO* client,
                   void* userValue) override;
    int RealPlayStream(int loginHandle, const char* ip, const char* userName, const char* password,
                       REAL_DATA_CALLBACK callback, const IP_PLAY_CLIENTINFO* client,
                       void* userValue, int stream) override;
    int StopRealPlay(int realPlayHandle) override;

private:
    struct Entry
    {
        ListedProtocol protocol;
        int index; // the search position in its own library
        _IPCINFO info;
    };

    sdk::DeviceLibrary& libraryOf(ListedProtocol protocol);
    sdk::DeviceLibrary& libraryOfHandle(int handle);
    // Takes the results both libraries found since the last look into the
    // one list. Called with m_mutex held.
    void mergeNewResults();
    void takeResult(ListedProtocol protocol, int index);

    sdk::DeviceLibrary& m_home;
    sdk::DeviceLibrary& m_onvif;
    const int m_secondHandleBase;

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    int m_homeSeen = 0;
    int m_onvifSeen = 0;
    // Which library listed a login address ("address:port") last, kept across
    // searches: logins come after the search that found the camera.
    std::map<std::string, ListedProtocol> m_protocolByAddress;
};

} // namespace vexlo::composite
