#include "cli/output_lines.h"

#include "platform/codepage.h"

namespace vexlo::cli {
namespace {

std::string field(std::u16string_view text)
{
    std::string utf8 = utf16ToUtf8(text);
    for (char& c : utf8) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return utf8;
}

} // namespace

std::string actionLine(std::u16string_view text)
{
    return "action\t" + field(text) + "\n";
}

std::string rowLine(std::u16string_view serial, int column, std::u16string_view text)
{
    return "row\t" + field(serial) + "\t" + std::to_string(column) + "\t" + field(text) + "\n";
}

std::string boxLine(std::u16string_view text)
{
    return "box\t" + field(text) + "\n";
}

std::string askLine(std::u16string_view text, bool yes)
{
    return "ask\t" + field(text) + (yes ? "\tyes\n" : "\tno\n");
}

std::string deviceLine(const std::u16string (&cells)[7])
{
    std::string line = "device";
    for (const std::u16string& cell : cells)
        line += "\t" + field(cell);
    return line + "\n";
}

} // namespace vexlo::cli
