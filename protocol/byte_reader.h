#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexlo::protocol {

// Reads big-endian fields from a buffer it does not own. A read past the end,
// or a length prefix above the caller's limit, fails the reader: that read and
// every later one return zero or empty, and ok() turns false. So a decoder reads
// all its fields and checks once at the end, and never looks outside the buffer.
class ByteReader
{
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int32_t i32();
    double f64();
    // Fills out completely, or fails.
    void raw(std::span<std::uint8_t> out);
    // u16 length (at most maxSize), then the bytes.
    std::string string16(std::size_t maxSize);
    // u32 length (at most maxSize), then the bytes.
    std::string text32(std::size_t maxSize);
    // Everything left, which must be between minSize and maxSize bytes.
    std::vector<std::uint8_t> rest(std::size_t minSize, std::size_t maxSize);

    bool ok() const { return !m_failed; }
    std::size_t remaining() const { return m_failed ? 0 : m_bytes.size() - m_position; }
    // True when every read succeeded and every byte was read.
    bool finished() const { return ok() && remaining() == 0; }

private:
    // The next count bytes, or an empty span after failing the reader.
    std::span<const std::uint8_t> take(std::size_t count);

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
    bool m_failed = false;
};

} // namespace vexlo::protocol
