#pragma once

#include "ipcsim/scenario.h"
#include "protocol/command_messages.h"

#include <map>
#include <string>
#include <string_view>

// What a camera makes of one command: whether and when it answers, with what
// text, and what it does afterwards. No sockets and no timers, so every rule of
// the scenario can be tested on its own.
namespace vexlo::ipcsim {

// The configuration texts a camera keeps from SetDVRConfig, so GetDVRConfig
// can hand them back. Bounded: see kMaxStoredConfigs.
using ConfigStore = std::map<CommandCode, std::string>;
inline constexpr std::size_t kMaxStoredConfigs = 64;

enum class AfterAnswer
{
    Nothing,
    Reboot,
    FactoryRestore,
};

struct CommandReply
{
    bool answered = true;    // false: the camera never answers
    bool refused = false;    // answered with the refusal bit
    double delaySeconds = 0; // scenario seconds until the answer goes out
    std::string text;        // the answer text, GBK
    AfterAnswer after = AfterAnswer::Nothing;
    std::string note; // what the camera made of it, for the request log
};

// The text of a plain "done" answer; the engine looks only at the code.
inline constexpr std::string_view kOkAnswer = "<RESPONSE_PARAM\r\nResult=\"OK\"\r\n/>";

// The request log kind of a command (FormatDisk, RebootDVR, RestoreConfig or
// the call kind).
std::string_view requestKindOf(const protocol::Command& command);

// The reply of `setup`'s camera, running `version`, to `command`.
CommandReply replyTo(const CameraSetup& setup, std::string_view version,
                     const protocol::Command& command, const ConfigStore& config);

// Keeps a SetDVRConfig text; a full store keeps its old codes and updates only
// those, so a client sending many codes cannot grow it without end.
void rememberConfig(ConfigStore& config, CommandCode code, std::string text);

// The value of Time="..." in a set-time request; empty when there is none.
std::string timeInRequest(std::string_view request);

} // namespace vexlo::ipcsim
