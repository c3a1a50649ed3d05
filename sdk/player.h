#pragma once

// The stream player contract: every IP_ORV_* call the program makes. A port is a
// stream number chosen by the caller; the player keys its streams by it. All
// calls return 0 on success.
//
// The calls forward to the implementation installed with vexlo::sdk::installPlayer
// (sdk/backend.h); without one every call fails.

namespace vexlo::sdk {
class RenderTarget;
}

// What IP_ORV_Play renders into: a pane of the GUI (or a test's recorder).
using IP_ORV_WINDOW = vexlo::sdk::RenderTarget*;

enum : int
{
    ORV_STREAM_VIDEO = 0,
    ORV_STREAM_AUDIO = 1,
};

int IP_ORV_Init();
int IP_ORV_OpenStream(int port, const unsigned char* header, int headerLength, int kind,
                      int bufferFrames);
int IP_ORV_Play(int port, IP_ORV_WINDOW window);
int IP_ORV_InputVideoData(int port, const unsigned char* data, int length, int frameValue,
                          int timestamp);
int IP_ORV_InputAudioData(int port, const unsigned char* data, int length, int timestamp);
int IP_ORV_Stop(int port);
