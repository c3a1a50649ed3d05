#include "ipcsim/address.h"

#include "ipcsim/utf8.h"

#include <cstdio>

namespace vexlo::ipcsim {
namespace {

constexpr std::uint32_t kLoopbackNetwork = 0x7F000000u;
constexpr std::uint32_t kLoopbackMask = 0xFF000000u;
constexpr std::uint64_t kMacMask = 0xFFFFFFFFFFFFull;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::uint32_t> parseIpv4(std::string_view text)
{
    std::uint32_t address = 0;
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
        const std::size_t start = pos;
        unsigned value = 0;
        while (pos < text.size() && isDigit(text[pos]) && pos - start < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
        }
        const std::size_t digits = pos - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0')) {
            return std::nullopt;
        }
        address = (address << 8) | value;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return address;
}

std::string formatIpv4(std::uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (address >> 24) & 0xFFu,
                  (address >> 16) & 0xFFu, (address >> 8) & 0xFFu, address & 0xFFu);
    return text;
}

bool isLoopback(std::uint32_t address)
{
    return (address & kLoopbackMask) == kLoopbackNetwork;
}

bool isUsableCameraAddress(std::uint32_t address)
{
    return isLoopback(address) && address != kLoopbackNetwork &&
           address != (kLoopbackNetwork | ~kLoopbackMask);
}

bool isUsableCameraAddress(std::string_view text)
{
    const auto address = parseIpv4(text);
    return address && isUsableCameraAddress(*address);
}

std::optional<std::uint32_t> nextCameraAddress(std::uint32_t address)
{
    do {
        ++address;
        if (!isLoopback(address)) {
            return std::nullopt;
        }
    } while ((address & 0xFFu) == 0 || (address & 0xFFu) == 0xFFu);
    return address;
}

std::optional<std::uint64_t> parseMac(std::string_view text)
{
    constexpr std::size_t kLength = 17; // "AA:BB:CC:DD:EE:FF"
    if (text.size() != kLength) {
        return std::nullopt;
    }
    const char separator = text[2];
    if (separator != ':' && separator != '-') {
        return std::nullopt;
    }
    std::uint64_t mac = 0;
    for (std::size_t pair = 0; pair < 6; ++pair) {
        const std::size_t at = pair * 3;
        if (pair > 0 && text[at - 1] != separator) {
            return std::nullopt;
        }
        const int high = hexDigitValue(text[at]);
        const int low = hexDigitValue(text[at + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        mac = (mac << 8) | static_cast<std::uint64_t>(high * 16 + low);
    }
    return mac;
}

std::string formatMac(std::uint64_t mac)
{
    mac &= kMacMask;
    char text[18];
    std::snprintf(
        text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X",
        static_cast<unsigned>((mac >> 40) & 0xFFu), static_cast<unsigned>((mac >> 32) & 0xFFu),
        static_cast<unsigned>((mac >> 24) & 0xFFu), static_cast<unsigned>((mac >> 16) & 0xFFu),
        static_cast<unsigned>((mac >> 8) & 0xFFu), static_cast<unsigned>(mac & 0xFFu));
    return text;
}

std::string macForAddress(std::uint32_t address)
{
    return formatMac((std::uint64_t{0x0200} << 32) | address);
}

} // namespace vexlo::ipcsim
