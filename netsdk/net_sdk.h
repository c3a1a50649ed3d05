#pragma once

#include "netsdk/address_guard.h"
#include "netsdk/options.h"
#include "netsdk/session_events.h"
#include "sdk/backend.h"
#include "sdk/callback_slots.h"

#include <asio.hpp>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vexlo::sdk {
class PlaySink;
} // namespace vexlo::sdk

namespace vexlo::netsdk {

using sdk::PlaySink;
class SearchClient;
class Session;

// The device library as a network client: every IP_NET_DVR_* call, on one
// pool of I/O threads. The front ends create one and install it with
// vexlo::sdk::installDeviceLibrary. Callbacks run on the I/O threads, never
// while a lock of this library is held.
class NetSdk : public sdk::DeviceLibrary, private SessionEvents
{
public:
    explicit NetSdk(NetSdkOptions options = {});
    ~NetSdk() override;
    NetSdk(const NetSdk&) = delete;
    NetSdk& operator=(const NetSdk&) = delete;

    const NetSdkOptions& options() const { return m_options; }

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
    struct Play
    {
        std::weak_ptr<Session> session;
        std::uint32_t streamId = 0;
        std::shared_ptr<PlaySink> sink;
    };

    void statusEvent(int loginHandle, int event) override;
    void answer(int loginHandle, int code, const char* text) override;

    std::shared_ptr<Session> findSession(int loginHandle) const;
    int sendCommand(int loginHandle, int command, int kind, int channel, std::string text);
    bool started() const;

    const NetSdkOptions m_options;
    const AddressGuard m_guard;
    // Declared first so that it is destroyed last: sockets and timers need it.
    asio::io_context m_io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> m_work;
    std::vector<std::thread> m_threads;
    std::shared_ptr<SearchClient> m_search;

    mutable std::mutex m_mutex; // guards the maps and m_started
    bool m_started = false;
    std::map<int, std::shared_ptr<Session>> m_sessions;
    std::map<int, Play> m_plays;
    int m_lastLoginHandle = 0; // handles are never reused within a run
    int m_lastPlayHandle = 0;

    sdk::CallbackSlots m_callbacks;
};

} // namespace vexlo::netsdk
