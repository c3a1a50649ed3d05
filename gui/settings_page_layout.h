#pragma once

#include "settings/page_definition.h"

#include <string_view>
#include <vector>

// How a settings page's row table is arranged on screen. The table says which
// controls a page has and their captions; this groups them into the blocks a
// page shows from top to bottom: the enable tick, a form of captioned lines,
// a grid of repeated columns (the FTP servers, the mail recipients), the
// weekly schedule, and the Save button at the bottom.
namespace vexlo {

enum class PageBlockKind
{
    Enable,   // the section's check box at the top
    Form,     // one line per caption: the caption, then its controls side by side
    Grid,     // column heads from the captions, one line per repetition
    Schedule, // per line: check box, start picker, "---", end picker
    Save,
};

struct PageLine
{
    std::u16string_view caption;         // empty in a grid (the row head names it)
    std::vector<const ControlRow*> rows; // left to right
};

struct PageBlock
{
    PageBlockKind kind = PageBlockKind::Form;
    std::vector<std::u16string_view> columnHeads; // grids, and forms with two columns
    std::vector<std::u16string_view> rowHeads;    // grids: one per line, when known
    std::vector<PageLine> lines;
};

// Rows that are hidden from the start (the transparency edit, the set-time
// tick) take no place: they are left out of every block.
std::vector<PageBlock> arrangePage(const PageDefinition& page);

// The text shown right of a control (a unit), or empty.
std::u16string_view unitAfter(int controlId);

} // namespace vexlo
