#include "recording_player.h"

#include <algorithm>

namespace {

PlayerCall callOn(std::string name, int port)
{
    PlayerCall call;
    call.name = std::move(name);
    call.port = port;
    return call;
}

} // namespace

RecordingPlayer::RecordingPlayer()
{
    m_previous = vexlo::sdk::installPlayer(this);
}

RecordingPlayer::~RecordingPlayer()
{
    vexlo::sdk::installPlayer(m_previous);
}

std::vector<PlayerCall> RecordingPlayer::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<PlayerCall> RecordingPlayer::callsNamed(const std::string& name) const
{
    std::vector<PlayerCall> named;
    for (const PlayerCall& call : calls()) {
        if (call.name == name)
            named.push_back(call);
    }
    return named;
}

std::vector<PlayerCall> RecordingPlayer::callsOnPort(int port) const
{
    std::vector<PlayerCall> onPort;
    for (const PlayerCall& call : calls()) {
        if (call.port == port)
            onPort.push_back(call);
    }
    return onPort;
}

bool RecordingPlayer::waitFor(const std::function<bool(const std::vector<PlayerCall>&)>& condition,
                              std::chrono::milliseconds limit) const
{
    return vexlo::test::waitUntil([&] { return condition(calls()); }, limit);
}

void RecordingPlayer::record(PlayerCall call)
{
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
}

int RecordingPlayer::Init()
{
    return 0;
}

int RecordingPlayer::OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                                int bufferFrames)
{
    PlayerCall call = callOn("OpenStream", port);
    call.kind = kind;
    call.bufferFrames = bufferFrames;
    if (header && headerLength > 0)
        call.bytes.assign(header, header + headerLength);
    record(std::move(call));
    return 0;
}

int RecordingPlayer::Play(int port, vexlo::sdk::RenderTarget* window)
{
    PlayerCall call = callOn("Play", port);
    call.window = window;
    record(std::move(call));
    return 0;
}

int RecordingPlayer::InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                                    int timestamp)
{
    PlayerCall call = callOn("InputVideoData", port);
    call.frameValue = frameValue;
    call.timestamp = timestamp;
    if (data && length > 0)
        call.bytes.assign(data, data + length);
    record(std::move(call));
    return 0;
}

int RecordingPlayer::InputAudioData(int port, const unsigned char* data, int length, int timestamp)
{
    PlayerCall call = callOn("InputAudioData", port);
    call.timestamp = timestamp;
    if (data && length > 0)
        call.bytes.assign(data, data + length);
    record(std::move(call));
    return 0;
}

int RecordingPlayer::Stop(int port)
{
    record(callOn("Stop", port));
    return 0;
}
