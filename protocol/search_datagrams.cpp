#include "protocol/search_datagrams.h"

#include "protocol/byte_reader.h"
#include "protocol/byte_writer.h"
#include "protocol/enum_check.h"
#include "protocol/wire.h"

#include <algorithm>

namespace vexlo::protocol {

namespace {

ByteWriter beginDatagram(DatagramType type)
{
    ByteWriter writer;
    writer.raw(kDatagramMagic);
    writer.u8(kProtocolVersion);
    writer.u8(static_cast<std::uint8_t>(type));
    writer.u16(0);
    return writer;
}

// A reader positioned on the body, or nothing when the header does not match.
std::optional<ByteReader> openDatagram(std::span<const std::uint8_t> datagram, DatagramType type)
{
    if (datagram.size() < kDatagramHeaderSize || datagram.size() > kMaxDatagramSize)
        return std::nullopt;
    if (!std::equal(std::begin(kDatagramMagic), std::end(kDatagramMagic), datagram.begin()))
        return std::nullopt;
    if (datagram[4] != kProtocolVersion || datagram[5] != static_cast<std::uint8_t>(type))
        return std::nullopt;
    return ByteReader(datagram.subspan(kDatagramHeaderSize));
}

// Text fields end up NUL-terminated in fixed fields, so a NUL inside one is refused.
std::string readText(ByteReader& reader, std::size_t maxSize, bool& clean)
{
    std::string text = reader.string16(maxSize);
    if (text.find('\0') != std::string::npos)
        clean = false;
    return text;
}

} // namespace

std::vector<std::uint8_t> SearchProbe::encode() const
{
    ByteWriter writer = beginDatagram(kType);
    writer.u32(searchId);
    return writer.take();
}

std::optional<SearchProbe> SearchProbe::decode(std::span<const std::uint8_t> datagram)
{
    auto reader = openDatagram(datagram, kType);
    if (!reader)
        return std::nullopt;
    const std::uint32_t searchId = reader->u32();
    if (!reader->finished())
        return std::nullopt;
    return SearchProbe{searchId};
}

std::vector<std::uint8_t> SearchReply::encode() const
{
    ByteWriter writer = beginDatagram(kType);
    writer.u32(searchId);
    writer.string16(record.serialNo, kMaxSerialSize);
    writer.string16(record.deviceType, kMaxDeviceTypeSize);
    writer.string16(record.macAddress, kMaxMacSize);
    writer.string16(record.ipAddress, kMaxAddressSize);
    writer.string16(record.netmask, kMaxAddressSize);
    writer.string16(record.gateway, kMaxAddressSize);
    writer.u16(record.loginPort);
    writer.i32(record.playParam);
    return writer.take();
}

std::optional<SearchReply> SearchReply::decode(std::span<const std::uint8_t> datagram)
{
    auto reader = openDatagram(datagram, kType);
    if (!reader)
        return std::nullopt;
    bool clean = true;
    SearchReply reply;
    reply.searchId = reader->u32();
    reply.record.serialNo = readText(*reader, kMaxSerialSize, clean);
    reply.record.deviceType = readText(*reader, kMaxDeviceTypeSize, clean);
    reply.record.macAddress = readText(*reader, kMaxMacSize, clean);
    reply.record.ipAddress = readText(*reader, kMaxAddressSize, clean);
    reply.record.netmask = readText(*reader, kMaxAddressSize, clean);
    reply.record.gateway = readText(*reader, kMaxAddressSize, clean);
    reply.record.loginPort = reader->u16();
    reply.record.playParam = reader->i32();
    if (!reader->finished() || !clean)
        return std::nullopt;
    return reply;
}

std::vector<std::uint8_t> ModifyIp::encode() const
{
    ByteWriter writer = beginDatagram(kType);
    writer.u32(requestId);
    writer.string16(serialNo, kMaxSerialSize);
    writer.string16(macAddress, kMaxMacSize);
    writer.string16(ipAddress, kMaxAddressSize);
    writer.string16(netmask, kMaxAddressSize);
    writer.string16(gateway, kMaxAddressSize);
    return writer.take();
}

std::optional<ModifyIp> ModifyIp::decode(std::span<const std::uint8_t> datagram)
{
    auto reader = openDatagram(datagram, kType);
    if (!reader)
        return std::nullopt;
    bool clean = true;
    ModifyIp request;
    request.requestId = reader->u32();
    request.serialNo = readText(*reader, kMaxSerialSize, clean);
    request.macAddress = readText(*reader, kMaxMacSize, clean);
    request.ipAddress = readText(*reader, kMaxAddressSize, clean);
    request.netmask = readText(*reader, kMaxAddressSize, clean);
    request.gateway = readText(*reader, kMaxAddressSize, clean);
    if (!reader->finished() || !clean)
        return std::nullopt;
    return request;
}

std::vector<std::uint8_t> ModifyIpReply::encode() const
{
    ByteWriter writer = beginDatagram(kType);
    writer.u32(requestId);
    writer.u8(static_cast<std::uint8_t>(status));
    writer.string16(serialNo, kMaxSerialSize);
    return writer.take();
}

std::optional<ModifyIpReply> ModifyIpReply::decode(std::span<const std::uint8_t> datagram)
{
    auto reader = openDatagram(datagram, kType);
    if (!reader)
        return std::nullopt;
    bool clean = true;
    ModifyIpReply reply;
    reply.requestId = reader->u32();
    const auto status = enumFromByte(reader->u8(), ModifyIpStatus::BadAddress);
    reply.serialNo = readText(*reader, kMaxSerialSize, clean);
    if (!reader->finished() || !clean || !status)
        return std::nullopt;
    reply.status = *status;
    return reply;
}

std::optional<Datagram> decodeDatagram(std::span<const std::uint8_t> datagram)
{
    if (datagram.size() < kDatagramHeaderSize)
        return std::nullopt;
    switch (static_cast<DatagramType>(datagram[5])) {
    case DatagramType::SearchProbe:
        if (auto probe = SearchProbe::decode(datagram))
            return Datagram{*probe};
        break;
    case DatagramType::SearchReply:
        if (auto reply = SearchReply::decode(datagram))
            return Datagram{std::move(*reply)};
        break;
    case DatagramType::ModifyIp:
        if (auto request = ModifyIp::decode(datagram))
            return Datagram{std::move(*request)};
        break;
    case DatagramType::ModifyIpReply:
        if (auto reply = ModifyIpReply::decode(datagram))
            return Datagram{std::move(*reply)};
        break;
    }
    return std::nullopt;
}

} // namespace vexlo::protocol
