#include "protocol/byte_reader.h"

#include <algorithm>
#include <bit>

namespace vexlo::protocol {

std::span<const std::uint8_t> ByteReader::take(std::size_t count)
{
    if (m_failed || count > m_bytes.size() - m_position) {
        m_failed = true;
        return {};
    }
    const auto bytes = m_bytes.subspan(m_position, count);
    m_position += count;
    return bytes;
}

std::uint8_t ByteReader::u8()
{
    const auto bytes = take(1);
    return bytes.empty() ? 0 : bytes[0];
}

std::uint16_t ByteReader::u16()
{
    const auto bytes = take(2);
    if (bytes.empty())
        return 0;
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t ByteReader::u32()
{
    const auto bytes = take(4);
    std::uint32_t value = 0;
    for (const std::uint8_t byte : bytes)
        value = (value << 8) | byte;
    return value;
}

std::uint64_t ByteReader::u64()
{
    const auto bytes = take(8);
    std::uint64_t value = 0;
    for (const std::uint8_t byte : bytes)
        value = (value << 8) | byte;
    return value;
}

std::int32_t ByteReader::i32()
{
    return static_cast<std::int32_t>(u32());
}

double ByteReader::f64()
{
    return std::bit_cast<double>(u64());
}

void ByteReader::raw(std::span<std::uint8_t> out)
{
    const auto bytes = take(out.size());
    if (bytes.size() == out.size())
        std::copy(bytes.begin(), bytes.end(), out.begin());
}

std::string ByteReader::string16(std::size_t maxSize)
{
    const std::size_t size = u16();
    if (size > maxSize) {
        m_failed = true;
        return {};
    }
    const auto bytes = take(size);
    return std::string(bytes.begin(), bytes.end());
}

std::string ByteReader::text32(std::size_t maxSize)
{
    const std::size_t size = u32();
    if (size > maxSize) {
        m_failed = true;
        return {};
    }
    const auto bytes = take(size);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> ByteReader::rest(std::size_t minSize, std::size_t maxSize)
{
    const std::size_t size = remaining();
    if (m_failed || size < minSize || size > maxSize) {
        m_failed = true;
        return {};
    }
    const auto bytes = take(size);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

} // namespace vexlo::protocol
