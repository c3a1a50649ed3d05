#pragma once

#include "sdk/backend.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An in-process device library. Devices are addressed by IP and follow a
// script; answers and events reach the registered callbacks from the fake's
// own thread, after the call that caused them has returned (unless a script
// asks for an answer before the return, to test that race). A search lists
// the entries a test adds, each with what it does when it is given a new
// address. Every call is recorded with the tick at which it was made. Installs
// itself for its lifetime.
enum class FakeReply
{
    Answer,    // the device answers (status event 4, command answered)
    Refuse,    // the device refuses (status event 5, the code's top bit set)
    Silent,    // no answer ever comes
    CallFails, // the library call itself fails (Login, SetDVRConfig return -1)
};

enum class FakeUploadEnd
{
    Finished, // event 14, then the firmware verdict
    Stall,    // the progress stays where it is; no event
    // The progress stays where it is, yet the camera takes the firmware: its
    // verdict comes firmwareDelayMs later, with no upload event before it.
    StallThenVerdict,
    Failed, // event 15
};

struct FakeDeviceScript
{
    std::string serial;
    FakeReply login = FakeReply::Answer;
    FakeReply loginAfterFirmware = FakeReply::Answer; // once the new firmware runs
    bool answerBeforeReturn = false; // login and version answers come inside the call

    FakeReply version = FakeReply::Answer;
    std::string versionAnswer = "<RESPONSE_PARAM FileSystemVersion=\"V1.0.0\" />";
    std::string versionAnswerAfter = "<RESPONSE_PARAM FileSystemVersion=\"V2.0.0\" />";

    int submitFailures = 0; // IP_NET_DVR_Upgrade fails this often; -1: always
    // With no progress steps, the upload's end event comes inside IP_NET_DVR_Upgrade,
    // as it can for a small file: before the submission's result is reported.
    bool uploadEndsInsideTheCall = false;
    std::vector<int> progress = {25, 50, 100}; // one step per progress read
    FakeUploadEnd uploadEnd = FakeUploadEnd::Finished;
    FakeReply firmware = FakeReply::Answer;
    std::uint32_t firmwareDelayMs = 0;

    FakeReply storage = FakeReply::Answer;
    int totals[3] = {1024, 2048, 0}; // SD1, SD2, USB
    FakeReply format = FakeReply::Answer;
    std::uint32_t formatDelayMs = 0;
    FakeReply timeSync = FakeReply::Answer;
    // IP_NET_DVR_SetDVRConfig: per code, the reply to each attempt in turn;
    // missing: Answer.
    std::map<int, std::vector<FakeReply>> sections;

    int restoreResult = 0;
    std::string restoreAddress; // where it shows up in the next search; empty: nowhere
    int rebootResult = 0;
};

// A search result: a camera that answers searches (besides the scripted
// devices, which answer only at their address after a factory restore).
struct FakeSearchEntry
{
    enum class Readdress
    {
        Moves,    // answers the next search at its new address
        StaysPut, // accepts, but answers at its old address
        Vanishes, // accepts, and never answers a search again
        Refuses,  // IP_NET_DVR_ModifyIPC fails
    };

    std::string serial;
    std::string ip;
    std::string type = "IPC";
    bool readFails = false; // IP_NET_DVR_GetIPCInfo fails for it
    Readdress readdress = Readdress::Moves;
    bool hidden = false;
};

struct FakeCall
{
    std::string name;   // the call without its IP_NET_DVR_ prefix
    std::string device; // the device's IP, when the call names one
    int handle = 0;
    int command = 0;
    std::string text; // request, firmware path
    int length = 0;   // the length a request was given with
    std::uint32_t tick = 0;
};

// An IP_NET_DVR_ModifyIPC call: the listed position and the address asked for.
struct FakeModify
{
    int index = 0;
    std::string serial;
    std::string ip;
    std::string netmask;
    std::string gateway;
};

class FakeDeviceLibrary : public vexlo::sdk::DeviceLibrary
{
public:
    FakeDeviceLibrary();
    ~FakeDeviceLibrary() override;

    void addDevice(const std::string& ip, FakeDeviceScript script);
    void addSearchResult(FakeSearchEntry entry);
    // Cameras "camNN" at 127.0.1.NN for NN = first..first+count-1.
    void addCameras(int first, int count);
    // Logs the device in without a call being recorded, as an earlier run did.
    int loginNow(const std::string& ip);
    // Scaled milliseconds between a call and its answer (default 50).
    void setAnswerDelayMs(std::uint32_t ms);

    std::vector<FakeCall> calls() const;
    std::vector<FakeCall> callsNamed(const std::string& name) const;
    std::size_t countOf(const std::string& name) const { return callsNamed(name).size(); }
    // The SetDVRConfig calls that went to the device at `ip` (any device when empty).
    std::vector<FakeCall> requestsTo(const std::string& ip = {}) const;
    std::vector<FakeModify> modifyCalls() const;
    // How many callbacks have been delivered so far.
    int deliveredCount() const;
    // Drops every answer not delivered yet and waits for one being delivered,
    // so nothing reaches the callbacks any more (before a test frees records).
    void dropPending();
    int handleOf(const std::string& ip) const; // the newest handle of the device; 0 if none

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
    int StopRealPlay(int realPlayHandle) override;

private:
    struct Device
    {
        FakeDeviceScript script;
        bool firmwareInstalled = false;
        bool uploading = false;
        std::size_t progressStep = 0;
        int lastProgress = 0;
        int submitFailuresLeft = 0;
        bool restored = false;
        std::map<int, std::size_t> sectionAttempts;
    };
    struct Pending
    {
        std::chrono::steady_clock::time_point due;
        std::function<void()> deliver;
    };

    // Under m_mutex.
    FakeCall& record(std::string name, std::string device = {}, int handle = 0, int command = 0,
                     std::string text = {});
    Device* deviceOf(int handle, std::string* ip = nullptr);
    void schedule(std::uint32_t delayMs, std::function<void()> deliver);
    std::function<void()> statusEvent(int handle, int event);
    std::function<void()> answer(int handle, int command, FakeReply reply, std::string text);
    // Schedules the upload's end; with `immediate` and a script that ends its
    // upload inside the call, hands the upload event back to run at once.
    void endUpload(int handle, Device& device, std::function<void()>* immediate = nullptr);

    void deliveryLoop();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Device> m_devices;
    std::map<int, std::string> m_handles; // live handle -> device IP
    std::vector<FakeSearchEntry> m_entries;
    std::vector<FakeSearchEntry> m_results; // of the running search
    std::vector<FakeCall> m_calls;
    std::vector<FakeModify> m_modifies;
    std::vector<Pending> m_pending;
    STATUS_EVENT_CALLBACK m_statusCallback = nullptr;
    void* m_statusUser = nullptr;
    AUX_RESPONSE_CALLBACK m_answerCallback = nullptr;
    void* m_answerUser = nullptr;
    std::uint32_t m_answerDelayMs = 50;
    int m_nextHandle = 100;
    int m_delivered = 0;
    bool m_quit = false;
    bool m_delivering = false;
    vexlo::sdk::DeviceLibrary* m_previous = nullptr;
    std::thread m_deliverer;
};

// A default script changed by `change`.
template <typename Change> FakeDeviceScript scripted(Change change)
{
    FakeDeviceScript script;
    change(script);
    return script;
}
