#pragma once

#include "sdk/backend.h"

#include <mutex>
#include <string>
#include <vector>

// A device library that only searches and re-addresses: a scripted list of
// search results, some NVRs, some whose read fails, each with what happens
// when it is given a new address. Every search and modify call is recorded.
// Installs itself for its lifetime. Addresses are text only; nothing is sent.
class ScriptedSearchLibrary : public vexlo::sdk::DeviceLibrary
{
public:
    enum class Readdress
    {
        Moves,    // answers the next search at its new address
        StaysPut, // accepts, but answers at its old address
        Vanishes, // accepts, and never answers a search again
        Refuses,  // IP_NET_DVR_ModifyIPC fails
    };

    struct Entry
    {
        std::string serial;
        std::string ip;
        std::string type = "IPC";
        bool readFails = false;
        Readdress readdress = Readdress::Moves;
        bool hidden = false;
    };

    struct ModifyCall
    {
        int index = 0;
        std::string serial;
        std::string ip;
        std::string netmask;
        std::string gateway;
    };

    ScriptedSearchLibrary();
    ~ScriptedSearchLibrary() override;

    void add(Entry entry);
    // Cameras "camNN" at 127.0.1.NN for NN = first..first+count-1.
    void addCameras(int first, int count);

    int searchStarts() const;
    int searchStops() const;
    std::vector<ModifyCall> modifyCalls() const;
    std::vector<int> logouts() const;

    int Init() override { return 0; }
    int SetStatusEventCallBack(STATUS_EVENT_CALLBACK, void*) override { return 0; }
    int SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK, void*) override { return 0; }
    int StartSearchIPC() override;
    int StopSearchIPC() override;
    int GetSearchIPCCount() override;
    int GetIPCInfo(int index, _IPCINFO* info) override;
    int ModifyIPC(int index, const _IPCINFO* info) override;
    int Login(const char*, std::uint16_t, const char*, const char*, int) override { return -1; }
    int SetAutoReconnect(int, int) override { return -1; }
    int Logout(int loginHandle) override;
    int SystemControl(int, int, int, const char*) override { return -1; }
    int SetDVRConfig(int, int, int, const char*, int) override { return -1; }
    int GetDVRConfig(int, int, int, char*, int, int*) override { return -1; }
    int Upgrade(int, const char*) override { return -1; }
    int GetUpgradeState(int) override { return -1; }
    int GetUpgradeProgress(int) override { return -1; }
    int FormatDisk(int, int) override { return -1; }
    int RestoreConfig(int) override { return -1; }
    int RebootDVR(int) override { return -1; }
    int RealPlayEx(int, const char*, const char*, const char*, REAL_DATA_CALLBACK,
                   const IP_PLAY_CLIENTINFO*, void*) override
    {
        return -1;
    }
    int StopRealPlay(int) override { return -1; }

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
    std::vector<Entry> m_found; // the results of the running search
    int m_starts = 0;
    int m_stops = 0;
    std::vector<ModifyCall> m_modifyCalls;
    std::vector<int> m_logouts;
    vexlo::sdk::DeviceLibrary* m_previous = nullptr;
};
