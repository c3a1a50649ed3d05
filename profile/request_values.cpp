#include "profile/request_values.h"

#include <tinyxml.h>

#include <array>
#include <cstdio>

namespace vexlo {
namespace {

template <typename Table> auto lookup(const Table& table, std::int32_t index, auto fallback)
{
    if (index < 0 || static_cast<std::size_t>(index) >= table.size())
        return fallback;
    return table[static_cast<std::size_t>(index)];
}

constexpr std::array<std::string_view, 16> kResolutionNames = {
    "720P",    "960P",    "1080P", "1440P", "1512P",   "448P",    "256X192", "288X192",
    "320X192", "352X192", "QVGA",  "CIF",   "480X360", "640X360", "VGA",     "D1",
};
constexpr std::int32_t kMainStreamResolutionCount = 15;
constexpr std::int32_t kFullIndexMissingFromMainList = 5; // "448P"

constexpr std::array<std::string_view, 3> kBitRateControlNames = {"CBR", "VBR", "CVBR"};

constexpr std::array<OverlayPosition, 5> kOverlayPositions = {{
    {2, 2}, // not shown
    {0, 0}, // top left
    {1, 0}, // top right
    {0, 1}, // bottom left
    {1, 1}, // bottom right
}};

constexpr std::array<std::string_view, 8> kTimeFormats = {
    "yyyy-mm-dd hh:mm:ss", "yyyy/mm/dd hh:mm:ss", "yy-mm-dd hh:mm:ss",   "yy/mm/dd hh:mm:ss",
    "hh:mm:ss dd/mm/yyyy", "hh:mm:ss dd-mm-yyyy", "hh:mm:ss mm/dd/yyyy", "hh:mm:ss mm-dd-yyyy",
};

constexpr std::array<std::string_view, 2> kAudioEncodeTypes = {"G.711", "AAC"};
constexpr std::array<std::string_view, 2> kAudioSampleRates = {"8000", "16000"};
constexpr std::array<std::string_view, 2> kAudioBitRates = {"6400", "16000"};

constexpr std::int32_t gridValue(std::int32_t columns, std::int32_t rows)
{
    return columns * 65536 + rows;
}
constexpr std::array<std::int32_t, 6> kMotionBlockCounts = {
    gridValue(4, 4), gridValue(4, 3), gridValue(3, 3),
    gridValue(3, 2), gridValue(2, 2), gridValue(1, 1),
};

constexpr std::array<int, kMotionScheduleEntries> kMotionScheduleDays = {1, 2, 3, 4, 5, 6, 0, 7};

constexpr std::int32_t kTimeZoneCount = 25;
constexpr std::int32_t kDefaultTimeZoneIndex = 20;

constexpr std::array<std::string_view, 4> kLanguageNames = {"zh_cn", "zh_tw", "en_us", "rs_py"};

} // namespace

std::string decimalText(std::int32_t value)
{
    return std::to_string(value);
}

std::string timeText(const TimeOfDay& time)
{
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(time.hour),
                  static_cast<int>(time.minute), static_cast<int>(time.second));
    return text;
}

std::string hexEncode(std::string_view bytes)
{
    static constexpr char kHexDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        if (c == '\0')
            break;
        const auto byte = static_cast<unsigned char>(c);
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0F];
    }
    return text;
}

std::string_view resolutionName(std::int32_t fullIndex)
{
    return lookup(kResolutionNames, fullIndex, kResolutionNames[0]);
}

std::string_view mainStreamResolutionName(std::int32_t mainIndex)
{
    if (mainIndex < 0 || mainIndex >= kMainStreamResolutionCount)
        return kResolutionNames[0];
    return resolutionName(mainIndex < kFullIndexMissingFromMainList ? mainIndex : mainIndex + 1);
}

std::string_view bitRateControlName(std::int32_t index)
{
    return lookup(kBitRateControlNames, index, kBitRateControlNames[0]);
}

OverlayPosition overlayPosition(std::int32_t index)
{
    return lookup(kOverlayPositions, index, kOverlayPositions[0]);
}

std::string_view timeFormatText(std::int32_t index)
{
    return lookup(kTimeFormats, index, std::string_view{});
}

std::string_view audioEncodeTypeName(std::int32_t index)
{
    return lookup(kAudioEncodeTypes, index, kAudioEncodeTypes[0]);
}

std::string_view audioSampleRateText(std::int32_t index)
{
    return lookup(kAudioSampleRates, index, kAudioSampleRates[0]);
}

std::string_view audioBitRateText(std::int32_t index)
{
    return lookup(kAudioBitRates, index, kAudioBitRates[0]);
}

std::int32_t motionBlockCount(std::int32_t gridIndex)
{
    return lookup(kMotionBlockCounts, gridIndex, gridValue(1, 1));
}

std::string motionBlockConfig(const std::uint8_t (&mask)[kMotionRegionCells])
{
    std::string config;
    config.reserve(kMotionRegionCells);
    for (std::uint8_t cell : mask)
        config += cell == 1 ? '1' : '0';
    return config;
}

int motionScheduleDay(std::size_t entry)
{
    return entry < kMotionScheduleDays.size() ? kMotionScheduleDays[entry] : 7;
}

std::string_view timeModeName(std::int32_t updateMode)
{
    return updateMode == 0 ? "NTP" : "MANUAL";
}

std::int32_t timeZoneValue(std::int32_t index)
{
    if (index < 0 || index >= kTimeZoneCount)
        index = kDefaultTimeZoneIndex;
    return index * 60;
}

std::string_view languageName(std::int32_t index)
{
    return lookup(kLanguageNames, index, kLanguageNames[2]);
}

TiXmlElement& appendChild(TiXmlNode& parent, const char* name)
{
    return *parent.LinkEndChild(new TiXmlElement(name))->ToElement();
}

void setText(TiXmlElement& element, const char* name, std::string_view value)
{
    element.SetAttribute(std::string(name), std::string(value));
}

void setDecimal(TiXmlElement& element, const char* name, std::int32_t value)
{
    setText(element, name, decimalText(value));
}

} // namespace vexlo
