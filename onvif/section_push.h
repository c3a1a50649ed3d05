#pragma once

#include "onvif/device_client.h"
#include "onvif/section_result.h"

#include <optional>
#include <string>
#include <string_view>

// One section of the configuration push, carried out with the standard's
// operations. The body is the section's request as the home protocol sends
// it (GBK XML); it is read here, never config.dat again.
namespace vexlo::onvif {

// Section codes this library carries out: the clock (222), the admin account
// (223), the Ethernet settings (325), audio (522) and video (523) encoding,
// capture (524), the overlay (525), the stream ports (620) and motion
// detection (822). Every other
// code is refused.
bool sectionHasOnvifMapping(int code);

// `login` and `options` sign the calls made at a new address.
SectionPush pushSection(DeviceClient& client, int code, std::string_view body,
                        const Credentials& login, const ClientOptions& options);

// One settings operation whose response is empty, at the new address of a
// camera that just moved: it answers there a moment later, so a transport
// failure is tried again for a short while.
SectionVerdict runAtNewAddress(DeviceClient& moved, std::string_view operation,
                               const std::optional<std::string>& payload);

// The POSIX TZ text of the page's zone value (minutes east of GMT-12:00 in
// whole hours): 480 * 60 / 60 - 12 = +8 gives "UTC-8". Nothing for a value
// outside GMT-12..GMT+12 or not on the hour.
std::optional<std::string> posixZoneOf(int zoneValue);

} // namespace vexlo::onvif
