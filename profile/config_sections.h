#pragma once

#include "profile/config_profile.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The fifteen configuration sections in the order a device receives them, as
// one table: what the row shows, the command that carries the request and
// answers it, the request buffer, whether the device restarts a process to take
// the settings, and how the request is built. The Ethernet section comes last,
// since a new address ends the conversation with the old one.
namespace vexlo {

struct ConfigSection
{
    std::u16string_view sectionName; // the status text while the section is pushed
    int replyCode;                   // command of the request and of its answer
    std::size_t textLimit;           // request buffer; the text is at most one byte less
    bool restartWait;                // a 20 s countdown follows an accepted push
    bool routed;                     // sent through routeCommand
    std::int32_t (*enabled)(const ConfigProfile& profile);
    std::string (*build)(const ConfigProfile& profile);
};

std::span<const ConfigSection> configSections();

// The section is pushed only when its flag is exactly 1.
bool sectionEnabled(const ConfigSection& section, const ConfigProfile& profile);

// The request text as it goes to the device: the body, cut to textLimit - 1
// bytes when it is longer (the device gets bytes; the cut may fall anywhere).
std::string sectionRequestText(const ConfigSection& section, const ConfigProfile& profile);

// Cuts `text` to fit a buffer of `limit` bytes with its terminating NUL.
std::string cutToLimit(std::string text, std::size_t limit);

} // namespace vexlo
