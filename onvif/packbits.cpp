#include "onvif/packbits.h"

#include "onvif/encoding.h"

namespace vexlo::onvif {

namespace {

constexpr std::size_t kMaxRun = 128;

// Length of the run of equal bytes that starts at from, capped at kMaxRun.
std::size_t runLength(std::span<const std::uint8_t> bytes, std::size_t from)
{
    std::size_t length = 1;
    while (from + length < bytes.size() && length < kMaxRun &&
           bytes[from + length] == bytes[from]) {
        ++length;
    }
    return length;
}

} // namespace

std::vector<std::uint8_t> packBits(std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t run = runLength(bytes, at);
        // Here no literal is pending, so even a run of two costs no more as a
        // repeat packet than as bytes of a literal.
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(1 - static_cast<int>(run)));
            out.push_back(bytes[at]);
            at += run;
            continue;
        }
        // Literal packet: gather bytes until a run of three or more, since
        // cutting a literal for a pair would add a header for nothing.
        std::size_t end = at;
        while (end < bytes.size() && end - at < kMaxRun && runLength(bytes, end) < 3) {
            ++end;
        }
        out.push_back(static_cast<std::uint8_t>(end - at - 1));
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(end));
        at = end;
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> unpackBits(std::span<const std::uint8_t> packed,
                                                    std::size_t maxOutput)
{
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    while (at < packed.size()) {
        const auto header = static_cast<std::int8_t>(packed[at++]);
        if (header == -128) {
            continue;
        }
        if (header >= 0) {
            const std::size_t count = static_cast<std::size_t>(header) + 1;
            if (packed.size() - at < count || maxOutput - out.size() < count) {
                return std::nullopt;
            }
            out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(at),
                       packed.begin() + static_cast<std::ptrdiff_t>(at + count));
            at += count;
        } else {
            const std::size_t count = static_cast<std::size_t>(1 - header);
            if (at >= packed.size() || maxOutput - out.size() < count) {
                return std::nullopt;
            }
            out.insert(out.end(), count, packed[at++]);
        }
    }
    return out;
}

std::string encodeActiveCells(const std::vector<bool>& cells)
{
    std::vector<std::uint8_t> mask((cells.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (cells[i]) {
            mask[i / 8] |= static_cast<std::uint8_t>(0x80U >> (i % 8));
        }
    }
    return vexlo::onvif::base64Encode(packBits(mask));
}

std::optional<std::vector<bool>> decodeActiveCells(std::string_view base64, std::size_t cellCount)
{
    const auto packed = vexlo::onvif::base64Decode(base64);
    if (!packed) {
        return std::nullopt;
    }
    const std::size_t maskBytes = (cellCount + 7) / 8;
    const auto mask = unpackBits(*packed, maskBytes);
    if (!mask || mask->size() != maskBytes) {
        return std::nullopt;
    }
    std::vector<bool> cells(cellCount);
    for (std::size_t i = 0; i < cellCount; ++i) {
        cells[i] = ((*mask)[i / 8] & (0x80U >> (i % 8))) != 0;
    }
    return cells;
}

} // namespace vexlo::onvif
