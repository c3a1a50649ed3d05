#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The readings of a cell text that the device list sorts by. Each reading
// accepts the whole text or nothing.
namespace vexlo {

// An unsigned hexadecimal number: optional leading blanks, an optional sign, an
// optional "0x" or "0X", then one or more hexadecimal digits and nothing after.
// A value beyond 32 bits saturates at 0xFFFFFFFF; a minus sign negates the
// value modulo 2^32, as the C library's unsigned conversion does.
std::optional<std::uint32_t> parseHexCell(std::u16string_view text);

// A decimal number (optional leading blanks, sign, digits with an optional
// fraction and exponent), optionally followed by a single "%".
std::optional<double> parseNumberCell(std::u16string_view text);

// A date as yyyy-mm-dd or yyyy/mm/dd, optionally followed by a blank and a time
// hh:mm or hh:mm:ss (24-hour clock); blanks around it are allowed. The fields
// must name a real calendar day and time. The result orders dates and times
// chronologically. This fixed set stands in for the user's locale, which this
// platform does not offer to the list.
std::optional<std::int64_t> parseDateCell(std::u16string_view text);

// Every reading of a cell text, taken once when the text is set, so a sort
// compares numbers instead of parsing texts at each comparison.
struct CellSortKey
{
    std::optional<std::uint32_t> hex;
    std::optional<double> number;
    std::optional<std::int64_t> date;
};
CellSortKey sortKeyOf(std::u16string_view text);

// -1, 0 or 1. Two non-empty texts compare as hexadecimal numbers when both
// read as one, else as decimal numbers when both do; then as dates when both
// read as one; else by their UTF-16 code units.
int compareKeyedCells(std::u16string_view a, const CellSortKey& keyA, std::u16string_view b,
                      const CellSortKey& keyB);

} // namespace vexlo
