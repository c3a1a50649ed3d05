#pragma once

#include <string>
#include <string_view>

// The lines vexlo-cli prints: tab-separated fields, UTF-8. A tab or line
// break inside a text would split its line, so each becomes a space.
namespace vexlo::cli {

std::string actionLine(std::u16string_view text);
std::string rowLine(std::u16string_view serial, int column, std::u16string_view text);
std::string boxLine(std::u16string_view text);
std::string askLine(std::u16string_view text, bool yes);
// IP, MAC, serial, type, version before, version after, status.
std::string deviceLine(const std::u16string (&cells)[7]);

} // namespace vexlo::cli
