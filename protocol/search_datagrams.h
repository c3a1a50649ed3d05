#pragma once

#include "protocol/search_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

// The search channel (UDP). Every datagram is an 8-byte header, magic "VXLD",
// version, type, two reserved bytes, then the body; at most kMaxDatagramSize
// bytes in all. encode() gives the whole datagram, decode() takes a whole
// datagram and refuses anything else (wrong magic, version or type, wrong
// length, a text field too long or holding a NUL) with std::nullopt.
namespace vexlo::protocol {

enum class DatagramType : std::uint8_t
{
    SearchProbe = 0x01,   // client -> search endpoint
    SearchReply = 0x02,   // camera -> client, from the camera's own address
    ModifyIp = 0x03,      // client -> search endpoint
    ModifyIpReply = 0x04, // the addressed camera -> client
};

struct SearchProbe
{
    static constexpr DatagramType kType = DatagramType::SearchProbe;
    std::uint32_t searchId = 0; // new for every search, so late answers can be told apart

    std::vector<std::uint8_t> encode() const;
    static std::optional<SearchProbe> decode(std::span<const std::uint8_t> datagram);
    bool operator==(const SearchProbe&) const = default;
};

struct SearchReply
{
    static constexpr DatagramType kType = DatagramType::SearchReply;
    std::uint32_t searchId = 0; // the probe's
    SearchRecord record;

    std::vector<std::uint8_t> encode() const;
    static std::optional<SearchReply> decode(std::span<const std::uint8_t> datagram);
    bool operator==(const SearchReply&) const = default;
};

// Addressed by serial number and MAC together: only the camera that has both
// acts on it (and answers); every other camera stays silent.
struct ModifyIp
{
    static constexpr DatagramType kType = DatagramType::ModifyIp;
    std::uint32_t requestId = 0;
    std::string serialNo;
    std::string macAddress;
    std::string ipAddress; // the new address, netmask and gateway
    std::string netmask;
    std::string gateway;

    std::vector<std::uint8_t> encode() const;
    static std::optional<ModifyIp> decode(std::span<const std::uint8_t> datagram);
    bool operator==(const ModifyIp&) const = default;
};

enum class ModifyIpStatus : std::uint8_t
{
    Accepted = 0,   // the camera now answers at the new address
    Refused = 1,    // the camera does not allow it
    BadAddress = 2, // the new address, netmask or gateway is not usable
};

struct ModifyIpReply
{
    static constexpr DatagramType kType = DatagramType::ModifyIpReply;
    std::uint32_t requestId = 0; // the request's
    ModifyIpStatus status = ModifyIpStatus::Refused;
    std::string serialNo;

    std::vector<std::uint8_t> encode() const;
    static std::optional<ModifyIpReply> decode(std::span<const std::uint8_t> datagram);
    bool operator==(const ModifyIpReply&) const = default;
};

using Datagram = std::variant<SearchProbe, SearchReply, ModifyIp, ModifyIpReply>;

std::optional<Datagram> decodeDatagram(std::span<const std::uint8_t> datagram);

} // namespace vexlo::protocol
