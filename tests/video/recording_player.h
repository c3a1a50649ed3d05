#pragma once

#include "tests/support/wait.h"

#include "sdk/backend.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A stream player that records every IP_ORV_* call it is given, with a copy of
// the bytes, and answers 0. Installs itself for its lifetime.
struct PlayerCall
{
    std::string name; // OpenStream, Play, InputVideoData, InputAudioData, Stop
    int port = 0;
    int kind = 0;                               // OpenStream
    int bufferFrames = 0;                       // OpenStream
    int frameValue = 0;                         // InputVideoData
    int timestamp = 0;                          // Input*Data
    vexlo::sdk::RenderTarget* window = nullptr; // Play
    std::vector<unsigned char> bytes;
};

class RecordingPlayer : public vexlo::sdk::Player
{
public:
    RecordingPlayer();
    ~RecordingPlayer() override;

    std::vector<PlayerCall> calls() const;
    std::vector<PlayerCall> callsNamed(const std::string& name) const;
    std::vector<PlayerCall> callsOnPort(int port) const;
    // Waits for `condition` over the calls, with a real-time deadline.
    bool waitFor(const std::function<bool(const std::vector<PlayerCall>&)>& condition,
                 std::chrono::milliseconds limit = vexlo::test::kDeadline) const;

    int Init() override;
    int OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                   int bufferFrames) override;
    int Play(int port, vexlo::sdk::RenderTarget* window) override;
    int InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                       int timestamp) override;
    int InputAudioData(int port, const unsigned char* data, int length, int timestamp) override;
    int Stop(int port) override;

private:
    void record(PlayerCall call);

    mutable std::mutex m_mutex;
    std::vector<PlayerCall> m_calls;
    vexlo::sdk::Player* m_previous = nullptr;
};

// A render target that only counts the pictures it is given.
class NullTarget : public vexlo::sdk::RenderTarget
{
public:
    void presentPicture(std::shared_ptr<const vexlo::sdk::RgbPicture>) override {}
};
