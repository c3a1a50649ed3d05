#pragma once

#include "profile/config_profile.h"

#include <cstdint>
#include <string>
#include <string_view>

class TiXmlElement;
class TiXmlNode;

// How profile fields become attribute values of the section requests. Index
// fields outside their list (possible only in an edited config.dat) fall back
// as noted, so a request never reads beyond a table.
namespace vexlo {

// "%d".
std::string decimalText(std::int32_t value);
// "%02d:%02d:%02d".
std::string timeText(const TimeOfDay& time);
// Two lower-case hexadecimal digits per byte, up to the first NUL.
std::string hexEncode(std::string_view bytes);

// Resolution names as the device spells them; anything outside: "720P".
std::string_view resolutionName(std::int32_t fullIndex);
// The main-stream list lacks "448P" (full index 5).
std::string_view mainStreamResolutionName(std::int32_t mainIndex);
std::string_view bitRateControlName(std::int32_t index); // outside: "CBR"

struct OverlayPosition
{
    int x;
    int y;
};
OverlayPosition overlayPosition(std::int32_t index); // outside: not shown (2, 2)
std::string_view timeFormatText(std::int32_t index); // outside: empty

std::string_view audioEncodeTypeName(std::int32_t index); // outside: "G.711"
std::string_view audioSampleRateText(std::int32_t index); // outside: "8000"
std::string_view audioBitRateText(std::int32_t index);    // outside: "6400"

// columns * 65536 + rows of the motion grid; outside: 1 x 1.
std::int32_t motionBlockCount(std::int32_t gridIndex);
// '1' for every mask byte that equals 1, '0' for any other, all 64 cells.
std::string motionBlockConfig(const std::uint8_t (&mask)[kMotionRegionCells]);
// The "Day" code of a motion schedule entry: Monday 1 .. Saturday 6, Sunday 0,
// every day 7.
int motionScheduleDay(std::size_t entry);

std::string_view timeModeName(std::int32_t updateMode); // 0 "NTP", else "MANUAL"
// Minutes east of GMT-12:00 for the 25 listed zones; outside the list the page's
// preselected zone (index 20, GMT+08:00) is sent.
std::int32_t timeZoneValue(std::int32_t index);
std::string_view languageName(std::int32_t index); // outside: "en_us"

// Appends a new element to `parent` (a document or an element), which owns it.
TiXmlElement& appendChild(TiXmlNode& parent, const char* name);

// Attribute setters: TinyXML keeps attributes in the order they are set.
void setText(TiXmlElement& element, const char* name, std::string_view value);
void setDecimal(TiXmlElement& element, const char* name, std::int32_t value);

} // namespace vexlo
