#pragma once

#include "sdk/netsdk.h"
#include "sdk/player.h"

#include <cstdint>
#include <memory>
#include <vector>

// The seam behind the IP_NET_DVR_* and IP_ORV_* calls. The program links the
// free functions of sdk/netsdk.h and sdk/player.h; which library answers them is
// decided once at start-up by installing an implementation here: netsdk (the
// network client), the FFmpeg player, or a test's in-process fake.
namespace vexlo::sdk {

class DeviceLibrary
{
public:
    virtual ~DeviceLibrary() = default;

    virtual int Init() = 0;
    virtual int SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user) = 0;
    virtual int SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user) = 0;

    virtual int StartSearchIPC() = 0;
    virtual int StopSearchIPC() = 0;
    virtual int GetSearchIPCCount() = 0;
    virtual int GetIPCInfo(int index, _IPCINFO* info) = 0;
    virtual int ModifyIPC(int index, const _IPCINFO* info) = 0;

    virtual int Login(const char* ip, std::uint16_t port, const char* user, const char* password,
                      int reserved) = 0;
    virtual int SetAutoReconnect(int loginHandle, int enable) = 0;
    virtual int Logout(int loginHandle) = 0;

    virtual int SystemControl(int loginHandle, int command, int channel, const char* request) = 0;
    virtual int SetDVRConfig(int loginHandle, int command, int channel, const char* text,
                             int length) = 0;
    virtual int GetDVRConfig(int loginHandle, int command, int channel, char* buffer,
                             int bufferSize, int* returned) = 0;

    virtual int Upgrade(int loginHandle, const char* firmwarePath) = 0;
    virtual int GetUpgradeState(int loginHandle) = 0;
    virtual int GetUpgradeProgress(int loginHandle) = 0;

    virtual int FormatDisk(int loginHandle, int disk) = 0;
    virtual int RestoreConfig(int loginHandle) = 0;
    virtual int RebootDVR(int loginHandle) = 0;

    virtual int RealPlayEx(int loginHandle, const char* ip, const char* userName,
                           const char* password, REAL_DATA_CALLBACK callback,
                           const IP_PLAY_CLIENTINFO* client, void* userValue) = 0;
    // A library whose cameras have one stream plays it for either.
    virtual int RealPlayStream(int loginHandle, const char* ip, const char* userName,
                               const char* password, REAL_DATA_CALLBACK callback,
                               const IP_PLAY_CLIENTINFO* client, void* userValue, int /*stream*/)
    {
        return RealPlayEx(loginHandle, ip, userName, password, callback, client, userValue);
    }
    virtual int StopRealPlay(int realPlayHandle) = 0;
};

// A decoded picture, 24-bit RGB rows without padding.
struct RgbPicture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Where the player hands its newest picture. Called on the player's decode
// threads; an implementation keeps only the newest picture and draws it on its
// own thread.
// How large a target shows pictures, in pixels; 0 x 0 when it does not say.
struct PictureBounds
{
    int width = 0;
    int height = 0;
};

class RenderTarget
{
public:
    virtual ~RenderTarget() = default;
    virtual void presentPicture(std::shared_ptr<const RgbPicture> picture) = 0;
    // The size the target shows pictures at; a picture much larger than that
    // is handed over scaled down. Asked on the decode threads.
    virtual PictureBounds pictureBounds() const { return {}; }
};

class Player
{
public:
    virtual ~Player() = default;

    virtual int Init() = 0;
    virtual int OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                           int bufferFrames) = 0;
    virtual int Play(int port, RenderTarget* window) = 0;
    virtual int InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                               int timestamp) = 0;
    virtual int InputAudioData(int port, const unsigned char* data, int length, int timestamp) = 0;
    virtual int Stop(int port) = 0;
};

// Installs the implementation that answers the calls from now on and returns the
// one it replaces (nullptr uninstalls). Install before any call is made and keep
// the object alive while calls may still arrive.
DeviceLibrary* installDeviceLibrary(DeviceLibrary* library);
Player* installPlayer(Player* player);

// The result every call gives when nothing is installed.
inline constexpr int kNoLibrary = -1;

} // namespace vexlo::sdk
