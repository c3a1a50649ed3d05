#include "playing_device_library.h"

#include <cstring>

std::vector<FakePlay> PlayingDeviceLibrary::plays() const
{
    std::lock_guard lock(m_playMutex);
    return m_plays;
}

std::vector<int> PlayingDeviceLibrary::stoppedPlays() const
{
    std::lock_guard lock(m_playMutex);
    return m_stopped;
}

int PlayingDeviceLibrary::deliver(std::size_t index, int kind,
                                  const std::vector<unsigned char>& data, int frameValue,
                                  double timestamp) const
{
    FakePlay play;
    {
        std::lock_guard lock(m_playMutex);
        if (index >= m_plays.size())
            return -2;
        play = m_plays[index];
    }
    IP_FRAME_INFO info{frameValue, 0, timestamp, play.client.context};
    return play.callback(play.handle, kind, data.data(), static_cast<int>(data.size()), &info,
                         play.userValue);
}

int PlayingDeviceLibrary::RealPlayEx(int loginHandle, const char* ip, const char* userName,
                                     const char* password, REAL_DATA_CALLBACK callback,
                                     const IP_PLAY_CLIENTINFO* client, void* userValue)
{
    FakePlay play;
    std::function<void(const FakePlay&)> duringStart;
    {
        std::lock_guard lock(m_playMutex);
        if (m_nextFailure != 0) {
            const int failure = m_nextFailure;
            m_nextFailure = 0;
            return failure;
        }
        play.handle = m_nextPlayHandle++;
        play.loginHandle = loginHandle;
        play.ip = ip ? ip : "";
        play.userName = userName ? userName : "";
        play.password = password ? password : "";
        play.callback = callback;
        if (client)
            play.client = *client;
        play.userValue = userValue;
        m_plays.push_back(play);
        duringStart = m_duringStart;
    }
    if (duringStart)
        duringStart(play);
    return play.handle;
}

int PlayingDeviceLibrary::StopRealPlay(int realPlayHandle)
{
    std::lock_guard lock(m_playMutex);
    m_stopped.push_back(realPlayHandle);
    return 0;
}

std::vector<unsigned char> makeStreamHeader(bool video, bool audio)
{
    std::vector<unsigned char> header(SDK_HEADER_SIZE, 0);
    const std::uint16_t videoFlag = video ? 1 : 0;
    const std::uint16_t audioFlag = audio ? 1 : 0;
    std::memcpy(header.data() + SDK_HEADER_VIDEO_FLAG_OFFSET, &videoFlag, 2);
    std::memcpy(header.data() + SDK_HEADER_AUDIO_FLAG_OFFSET, &audioFlag, 2);
    std::memcpy(header.data() + SDK_HEADER_VIDEO_BLOCK_OFFSET, "H264", 4);
    // Marks in the last byte of each block catch a block cut short or shifted.
    header[SDK_HEADER_VIDEO_BLOCK_OFFSET + SDK_HEADER_VIDEO_BLOCK_SIZE - 1] = 0x5A;
    std::memcpy(header.data() + SDK_HEADER_AUDIO_BLOCK_OFFSET, "PCMA", 4);
    header[SDK_HEADER_SIZE - 1] = 0xA5;
    return header;
}
