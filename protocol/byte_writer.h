#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace vexlo::protocol {

// Appends big-endian fields to a growing buffer. Variable-length fields are cut
// to the limit the caller gives, so a writer never produces a field its reader
// would reject.
class ByteWriter
{
public:
    void u8(std::uint8_t value);
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void u64(std::uint64_t value);
    void i32(std::int32_t value);
    void f64(double value);
    void raw(std::span<const std::uint8_t> bytes);
    void raw(std::string_view bytes);
    // u16 length, then at most maxSize bytes.
    void string16(std::string_view text, std::size_t maxSize);
    // u32 length, then at most maxSize bytes.
    void blob32(std::span<const std::uint8_t> bytes, std::size_t maxSize);
    void blob32(std::string_view text, std::size_t maxSize);

    // Overwrites four bytes already written (used for a length known only at the end).
    void patchU32(std::size_t offset, std::uint32_t value);

    std::size_t size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace vexlo::protocol
