#include "sdk/backend.h"

#include <atomic>

namespace vexlo::sdk {
namespace {

std::atomic<DeviceLibrary*> g_library{nullptr};
std::atomic<Player*> g_player{nullptr};

template <typename Call> int callLibrary(Call call)
{
    DeviceLibrary* library = g_library.load(std::memory_order_acquire);
    return library ? call(*library) : kNoLibrary;
}

template <typename Call> int callPlayer(Call call)
{
    Player* player = g_player.load(std::memory_order_acquire);
    return player ? call(*player) : kNoLibrary;
}

} // namespace

DeviceLibrary* installDeviceLibrary(DeviceLibrary* library)
{
    return g_library.exchange(library, std::memory_order_acq_rel);
}

Player* installPlayer(Player* player)
{
    return g_player.exchange(player, std::memory_order_acq_rel);
}

} // namespace vexlo::sdk

using vexlo::sdk::callLibrary;
using vexlo::sdk::callPlayer;
using vexlo::sdk::DeviceLibrary;
using vexlo::sdk::Player;

int IP_NET_DVR_Init()
{
    return callLibrary([](DeviceLibrary& l) { return l.Init(); });
}

int IP_NET_DVR_SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user)
{
    return callLibrary([&](DeviceLibrary& l) { return l.SetStatusEventCallBack(callback, user); });
}

int IP_NET_DVR_SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user)
{
    return callLibrary([&](DeviceLibrary& l) { return l.SetAUXResponseCallBack(callback, user); });
}

int IP_NET_DVR_StartSearchIPC()
{
    return callLibrary([](DeviceLibrary& l) { return l.StartSearchIPC(); });
}

int IP_NET_DVR_StopSearchIPC()
{
    return callLibrary([](DeviceLibrary& l) { return l.StopSearchIPC(); });
}

int IP_NET_DVR_GetSearchIPCCount()
{
    return callLibrary([](DeviceLibrary& l) { return l.GetSearchIPCCount(); });
}

int IP_NET_DVR_GetIPCInfo(int index, _IPCINFO* info)
{
    return callLibrary([&](DeviceLibrary& l) { return l.GetIPCInfo(index, info); });
}

int IP_NET_DVR_ModifyIPC(int index, const _IPCINFO* info)
{
    return callLibrary([&](DeviceLibrary& l) { return l.ModifyIPC(index, info); });
}

int IP_NET_DVR_Login(const char* ip, std::uint16_t port, const char* user, const char* password,
                     int reserved)
{
    return callLibrary(
        [&](DeviceLibrary& l) { return l.Login(ip, port, user, password, reserved); });
}

int IP_NET_DVR_SetAutoReconnect(int loginHandle, int enable)
{
    return callLibrary([&](DeviceLibrary& l) { return l.SetAutoReconnect(loginHandle, enable); });
}

int IP_NET_DVR_Logout(int loginHandle)
{
    return callLibrary([&](DeviceLibrary& l) { return l.Logout(loginHandle); });
}

int IP_NET_DVR_SystemControl(int loginHandle, int command, int channel, const char* request)
{
    return callLibrary(
        [&](DeviceLibrary& l) { return l.SystemControl(loginHandle, command, channel, request); });
}

int IP_NET_DVR_SetDVRConfig(int loginHandle, int command, int channel, const char* text, int length)
{
    return callLibrary([&](DeviceLibrary& l) {
        return l.SetDVRConfig(loginHandle, command, channel, text, length);
    });
}

int IP_NET_DVR_GetDVRConfig(int loginHandle, int command, int channel, char* buffer, int bufferSize,
                            int* returned)
{
    return callLibrary([&](DeviceLibrary& l) {
        return l.GetDVRConfig(loginHandle, command, channel, buffer, bufferSize, returned);
    });
}

int IP_NET_DVR_Upgrade(int loginHandle, const char* firmwarePath)
{
    return callLibrary([&](DeviceLibrary& l) { return l.Upgrade(loginHandle, firmwarePath); });
}

int IP_NET_DVR_GetUpgradeState(int loginHandle)
{
    return callLibrary([&](DeviceLibrary& l) { return l.GetUpgradeState(loginHandle); });
}

int IP_NET_DVR_GetUpgradeProgress(int loginHandle)
{
    return callLibrary([&](DeviceLibrary& l) { return l.GetUpgradeProgress(loginHandle); });
}

int IP_NET_DVR_FormatDisk(int loginHandle, int disk)
{
    return callLibrary([&](DeviceLibrary& l) { return l.FormatDisk(loginHandle, disk); });
}

int IP_NET_DVR_RestoreConfig(int loginHandle)
{
    return callLibrary([&](DeviceLibrary& l) { return l.RestoreConfig(loginHandle); });
}

int IP_NET_DVR_RebootDVR(int loginHandle)
{
    return callLibrary([&](DeviceLibrary& l) { return l.RebootDVR(loginHandle); });
}

int IP_NET_DVR_RealPlayEx(int loginHandle, const char* ip, const char* userName,
                          const char* password, REAL_DATA_CALLBACK callback,
                          const IP_PLAY_CLIENTINFO* client, void* userValue)
{
    return callLibrary([&](DeviceLibrary& l) {
        return l.RealPlayEx(loginHandle, ip, userName, password, callback, client, userValue);
    });
}

int IP_NET_DVR_RealPlayStream(int loginHandle, const char* ip, const char* userName,
                              const char* password, REAL_DATA_CALLBACK callback,
                              const IP_PLAY_CLIENTINFO* client, void* userValue, int stream)
{
    return callLibrary([&](DeviceLibrary& l) {
        return l.RealPlayStream(loginHandle, ip, userName, password, callback, client, userValue,
                                stream);
    });
}

int IP_NET_DVR_StopRealPlay(int realPlayHandle)
{
    return callLibrary([&](DeviceLibrary& l) { return l.StopRealPlay(realPlayHandle); });
}

int IP_ORV_Init()
{
    return callPlayer([](Player& p) { return p.Init(); });
}

int IP_ORV_OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                      int bufferFrames)
{
    return callPlayer(
        [&](Player& p) { return p.OpenStream(port, header, headerLength, kind, bufferFrames); });
}

int IP_ORV_Play(int port, IP_ORV_WINDOW window)
{
    return callPlayer([&](Player& p) { return p.Play(port, window); });
}

int IP_ORV_InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                          int timestamp)
{
    return callPlayer(
        [&](Player& p) { return p.InputVideoData(port, data, length, frameValue, timestamp); });
}

int IP_ORV_InputAudioData(int port, const unsigned char* data, int length, int timestamp)
{
    return callPlayer([&](Player& p) { return p.InputAudioData(port, data, length, timestamp); });
}

int IP_ORV_Stop(int port)
{
    return callPlayer([&](Player& p) { return p.Stop(port); });
}
