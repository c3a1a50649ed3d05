#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// IPv4 and MAC address texts as the simulator reads them from a scenario and
// reports them in search answers.
namespace vexlo::ipcsim {

// A dotted IPv4 address: exactly four decimal parts from 0 to 255, no spaces,
// no leading zeros (so "010" is never read as octal by anything downstream).
std::optional<std::uint32_t> parseIpv4(std::string_view text);
std::string formatIpv4(std::uint32_t address);

// In 127.0.0.0/8, the only network the simulator ever listens on.
bool isLoopback(std::uint32_t address);

// A loopback address a simulated camera can own: not the network address
// 127.0.0.0 and not the broadcast address 127.255.255.255.
bool isUsableCameraAddress(std::uint32_t address);
bool isUsableCameraAddress(std::string_view text);

// The next camera address after `address`, skipping host parts that end in .0
// or .255; empty when that would leave 127.0.0.0/8.
std::optional<std::uint32_t> nextCameraAddress(std::uint32_t address);

// Six hexadecimal pairs separated by ':' or '-' (one separator throughout).
std::optional<std::uint64_t> parseMac(std::string_view text);
// Upper-case pairs separated by ':'.
std::string formatMac(std::uint64_t mac);

// A locally administered MAC built from a camera address (02:00:a:b:c:d), for
// cameras whose scenario entry names none.
std::string macForAddress(std::uint32_t address);

} // namespace vexlo::ipcsim
