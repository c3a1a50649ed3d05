#pragma once

#include "settings/page_definition.h"

#include <vector>

// A settings page's rows arranged as its blocks say: the blocks from top to
// bottom, each with its lines and the rows on each line, ready to be drawn in
// either language.
namespace vexlo {

struct PageLine
{
    PageText caption;                    // forms and schedules: the first row's label
    std::vector<const ControlRow*> rows; // left to right, pointing into the page's table
};

struct PageBlock
{
    PageBlockKind kind = PageBlockKind::Form;
    std::vector<PageText> columnHeads; // grids, and forms with two columns
    std::vector<PageText> rowHeads;    // grids: one per line
    std::vector<PageLine> lines;
};

// Rows that are hidden from the start (the transparency edit, the set-time
// tick) take no place: they are left out of every block.
std::vector<PageBlock> arrangePage(const PageDefinition& page);

} // namespace vexlo
