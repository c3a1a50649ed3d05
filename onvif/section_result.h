#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What carrying out one section of the configuration push came to: shared by
// the dispatch (section_push) and the sections themselves.
namespace vexlo::onvif {

enum class SectionVerdict
{
    Set,      // every operation was answered
    Refused,  // no ONVIF operation for it, a value it cannot carry, or a fault
    NoAnswer, // the camera did not answer: the program's own time limit decides
};

struct SectionPush
{
    SectionVerdict verdict = SectionVerdict::Refused;
    // The account section changed the password of the user signing in.
    std::optional<std::string> newPassword;
    // The stream section moved the device service to this HTTP port.
    std::optional<std::uint16_t> newHttpPort;
    // The Ethernet section moved the camera to this address.
    std::optional<std::string> newAddress;
    // The camera asked for a reboot to take the settings and was rebooted;
    // every other accepted section is taken at once.
    bool rebooting = false;
    // Values the camera does not offer and what was set instead, one line
    // each ("video encoding, stream 1: 60 fps is not offered, 30 fps was set").
    std::vector<std::string> fitted;
};

} // namespace vexlo::onvif
