#pragma once

#include "sdk/ipcinfo.h"

#include <cstddef>
#include <cstdint>

// The device library contract: every IP_NET_DVR_* call the program makes. Calls
// return 0 on success and anything else on failure, except IP_NET_DVR_Login and
// IP_NET_DVR_RealPlayEx (a handle, above 0 on success), IP_NET_DVR_GetSearchIPCCount
// (a count) and the two upgrade progress calls (a percentage).
//
// The calls forward to the implementation installed with vexlo::sdk::installDeviceLibrary
// (sdk/backend.h); without one every call fails.

// Status events reported through the status-event callback.
enum : int
{
    SDK_EVENT_LOGIN_OK = 4,
    SDK_EVENT_LOGIN_FAILED = 5,
    SDK_EVENT_UPLOAD_DONE = 14,
    SDK_EVENT_UPLOAD_FAILED = 15,
};

// An answer code with this bit set is a refusal of the command in the low 24 bits.
inline constexpr std::uint32_t SDK_REFUSED_BIT = 0x80000000u;
inline constexpr std::uint32_t SDK_COMMAND_MASK = 0x00FFFFFFu;

inline constexpr bool sdkIsRefusal(int code)
{
    return (static_cast<std::uint32_t>(code) & SDK_REFUSED_BIT) != 0;
}
inline constexpr int sdkCommandOf(int code)
{
    return static_cast<int>(static_cast<std::uint32_t>(code) & SDK_COMMAND_MASK);
}
inline constexpr int sdkRefusalOf(int command)
{
    return static_cast<int>(static_cast<std::uint32_t>(command) | SDK_REFUSED_BIT);
}

// The answer text of an accepted setting that the device took at once, with
// no process restart, so the program need not wait for one. Any other answer
// text of an accepted setting means the device may be restarting a process.
inline constexpr char SDK_ANSWER_TAKEN_AT_ONCE[] = "TAKEN_AT_ONCE";

// Live-play data kinds handed to the real-data callback.
enum : int
{
    SDK_DATA_VIDEO = 0,
    SDK_DATA_AUDIO = 1,
    SDK_DATA_HEADER = 2,
};

// Client block of IP_NET_DVR_RealPlayEx: the device's playParam, two words of 1
// and the caller's context, which comes back in every frame's information. The
// context is pointer-sized on this platform.
struct IP_PLAY_CLIENTINFO
{
    std::int32_t playParam;
    std::int32_t word1;
    std::int32_t word2;
    void* context;
};
static_assert(offsetof(IP_PLAY_CLIENTINFO, context) == 16);
static_assert(sizeof(IP_PLAY_CLIENTINFO) == 16 + sizeof(void*));

// Frame information handed to the real-data callback: word 0 is passed on to the
// player, bytes 8..15 hold the timestamp, and the context of the client block follows.
struct IP_FRAME_INFO
{
    std::int32_t frameValue;
    std::int32_t reserved;
    double timestamp;
    void* context;
};
static_assert(offsetof(IP_FRAME_INFO, timestamp) == 8);
static_assert(offsetof(IP_FRAME_INFO, context) == 16);

// Stream header (data kind 2) layout as the receivers read it.
inline constexpr int SDK_HEADER_VIDEO_FLAG_OFFSET = 32; // 16-bit
inline constexpr int SDK_HEADER_AUDIO_FLAG_OFFSET = 34; // 16-bit
inline constexpr int SDK_HEADER_VIDEO_BLOCK_OFFSET = 36;
inline constexpr int SDK_HEADER_VIDEO_BLOCK_SIZE = 536;
inline constexpr int SDK_HEADER_AUDIO_BLOCK_OFFSET = 572;
inline constexpr int SDK_HEADER_AUDIO_BLOCK_SIZE = 276;
inline constexpr int SDK_HEADER_SIZE = SDK_HEADER_AUDIO_BLOCK_OFFSET + SDK_HEADER_AUDIO_BLOCK_SIZE;

// Callback types. Callbacks run on the library's threads.
using STATUS_EVENT_CALLBACK = int (*)(int loginHandle, int event, int value, void* user);
using AUX_RESPONSE_CALLBACK = int (*)(int loginHandle, int code, const char* answer, void* user);
using REAL_DATA_CALLBACK = int (*)(int realPlayHandle, int dataKind, const unsigned char* data,
                                   int length, const IP_FRAME_INFO* frameInfo, void* user);

int IP_NET_DVR_Init();
int IP_NET_DVR_SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user);
int IP_NET_DVR_SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user);

int IP_NET_DVR_StartSearchIPC();
int IP_NET_DVR_StopSearchIPC();
int IP_NET_DVR_GetSearchIPCCount();
int IP_NET_DVR_GetIPCInfo(int index, _IPCINFO* info);
int IP_NET_DVR_ModifyIPC(int index, const _IPCINFO* info);

int IP_NET_DVR_Login(const char* ip, std::uint16_t port, const char* user, const char* password,
                     int reserved);
int IP_NET_DVR_SetAutoReconnect(int loginHandle, int enable);
int IP_NET_DVR_Logout(int loginHandle);

int IP_NET_DVR_SystemControl(int loginHandle, int command, int channel, const char* request);
int IP_NET_DVR_SetDVRConfig(int loginHandle, int command, int channel, const char* text,
                            int length);
int IP_NET_DVR_GetDVRConfig(int loginHandle, int command, int channel, char* buffer, int bufferSize,
                            int* returned);

int IP_NET_DVR_Upgrade(int loginHandle, const char* firmwarePath);
int IP_NET_DVR_GetUpgradeState(int loginHandle);
int IP_NET_DVR_GetUpgradeProgress(int loginHandle);

int IP_NET_DVR_FormatDisk(int loginHandle, int disk);
int IP_NET_DVR_RestoreConfig(int loginHandle);
int IP_NET_DVR_RebootDVR(int loginHandle);

int IP_NET_DVR_RealPlayEx(int loginHandle, const char* ip, const char* userName,
                          const char* password, REAL_DATA_CALLBACK callback,
                          const IP_PLAY_CLIENTINFO* client, void* userValue);
// Which stream a live play asks for where a camera has more than one: the main
// stream (a single-device window) or the smaller sub stream (a pane of the
// wall). A camera with one stream plays it for either.
enum : int
{
    SDK_STREAM_MAIN = 0,
    SDK_STREAM_SUB = 1,
};
// IP_NET_DVR_RealPlayEx with the stream named; RealPlayEx plays the main stream.
int IP_NET_DVR_RealPlayStream(int loginHandle, const char* ip, const char* userName,
                              const char* password, REAL_DATA_CALLBACK callback,
                              const IP_PLAY_CLIENTINFO* client, void* userValue, int stream);
int IP_NET_DVR_StopRealPlay(int realPlayHandle);
