#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::ipcsim {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);

// The value of one hexadecimal digit (either case); -1 for any other character.
int hexDigitValue(char c);

// Lower-case hexadecimal, two digits per byte.
std::string toHex(std::string_view bytes);
// The bytes of a hexadecimal text (either case); empty optional when it is not
// an even number of hexadecimal digits.
std::optional<std::string> fromHex(std::string_view hex);

} // namespace vexlo::ipcsim
