#pragma once

#include <cstdint>
#include <string_view>

// Number edits store what the user typed as a decimal integer, the way a C
// runtime reads one: leading blanks, an optional sign, then digits up to the
// first other character; no digit gives 0. Values beyond 32 bits saturate
// instead of wrapping, so a long run of digits cannot turn into a random port.
namespace vexlo {

std::int32_t parseDecimal(std::u16string_view text);

} // namespace vexlo
