#include "protocol/byte_writer.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace vexlo::protocol {

static_assert(std::numeric_limits<double>::is_iec559, "doubles travel as IEEE 754 binary64");

void ByteWriter::u8(std::uint8_t value)
{
    m_bytes.push_back(value);
}

void ByteWriter::u16(std::uint16_t value)
{
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    m_bytes.push_back(static_cast<std::uint8_t>(value));
}

void ByteWriter::u32(std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        m_bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void ByteWriter::u64(std::uint64_t value)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        m_bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void ByteWriter::i32(std::int32_t value)
{
    u32(static_cast<std::uint32_t>(value));
}

void ByteWriter::f64(double value)
{
    u64(std::bit_cast<std::uint64_t>(value));
}

void ByteWriter::raw(std::span<const std::uint8_t> bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void ByteWriter::raw(std::string_view bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void ByteWriter::string16(std::string_view text, std::size_t maxSize)
{
    const std::size_t limit =
        std::min<std::size_t>(maxSize, std::numeric_limits<std::uint16_t>::max());
    const std::string_view cut = text.substr(0, std::min(text.size(), limit));
    u16(static_cast<std::uint16_t>(cut.size()));
    raw(cut);
}

void ByteWriter::blob32(std::span<const std::uint8_t> bytes, std::size_t maxSize)
{
    const std::size_t limit =
        std::min<std::size_t>(maxSize, std::numeric_limits<std::uint32_t>::max());
    const auto cut = bytes.first(std::min(bytes.size(), limit));
    u32(static_cast<std::uint32_t>(cut.size()));
    raw(cut);
}

void ByteWriter::blob32(std::string_view text, std::size_t maxSize)
{
    blob32(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), maxSize);
}

void ByteWriter::patchU32(std::size_t offset, std::uint32_t value)
{
    if (offset > m_bytes.size() || m_bytes.size() - offset < 4)
        return;
    for (int i = 0; i < 4; ++i)
        m_bytes[offset + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

} // namespace vexlo::protocol
