#pragma once

#include "../support/fake_device_library.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The fake device library of the engine tests, able to start live plays: each
// RealPlayEx is recorded with its client block and callback and gets a new
// handle (or the failure the test asks for); the test then hands the callback
// data as the library's threads would.
struct FakePlay
{
    int handle = 0;
    int loginHandle = 0;
    std::string ip;
    std::string userName;
    std::string password;
    REAL_DATA_CALLBACK callback = nullptr;
    IP_PLAY_CLIENTINFO client{};
    void* userValue = nullptr;
};

class PlayingDeviceLibrary : public FakeDeviceLibrary
{
public:
    // The next RealPlayEx returns this instead of a handle (once).
    void failNextPlay(int result) { m_nextFailure = result; }
    // Runs inside RealPlayEx, before it returns its handle.
    void duringPlayStart(std::function<void(const FakePlay&)> action)
    {
        m_duringStart = std::move(action);
    }

    std::vector<FakePlay> plays() const;
    std::vector<int> stoppedPlays() const;

    // Calls play `index`'s callback as the library would: the client's context
    // in the frame information.
    int deliver(std::size_t index, int kind, const std::vector<unsigned char>& data,
                int frameValue = 0, double timestamp = 0) const;

    int RealPlayEx(int loginHandle, const char* ip, const char* userName, const char* password,
                   REAL_DATA_CALLBACK callback, const IP_PLAY_CLIENTINFO* client,
                   void* userValue) override;
    int StopRealPlay(int realPlayHandle) override;

private:
    mutable std::mutex m_playMutex;
    std::vector<FakePlay> m_plays;
    std::vector<int> m_stopped;
    int m_nextPlayHandle = 500;
    int m_nextFailure = 0;
    std::function<void(const FakePlay&)> m_duringStart;
};

// An 848-byte stream header with the given flags and recognisable blocks.
std::vector<unsigned char> makeStreamHeader(bool video, bool audio);
