#include "settings/page_layout.h"

#include <cstddef>
#include <utility>

namespace vexlo {

std::vector<PageBlock> arrangePage(const PageDefinition& page)
{
    std::vector<const ControlRow*> shown;
    for (const ControlRow& row : page.rows)
        if (row.visible)
            shown.push_back(&row);

    std::size_t next = 0;
    std::vector<PageBlock> blocks;
    for (const PageBlockLayout& layout : page.blocks) {
        PageBlock block{layout.kind,
                        {layout.columnHeads.begin(), layout.columnHeads.end()},
                        {layout.rowHeads.begin(), layout.rowHeads.end()},
                        {}};
        const bool varied = !layout.lineWidths.empty();
        const std::size_t lines = varied ? layout.lineWidths.size() : layout.lines;
        // A table shorter than its blocks ends where its rows end; no block is empty.
        for (std::size_t i = 0; i < lines && next < shown.size(); ++i) {
            const int width = varied ? layout.lineWidths[i] : layout.width;
            PageLine line;
            for (int k = 0; k < width && next < shown.size(); ++k)
                line.rows.push_back(shown[next++]);
            if (line.rows.empty())
                continue;
            if (layout.kind == PageBlockKind::Form || layout.kind == PageBlockKind::Schedule)
                line.caption = line.rows.front()->label;
            block.lines.push_back(std::move(line));
        }
        if (block.lines.empty())
            continue;
        if (layout.kind == PageBlockKind::Grid)
            for (const ControlRow* row : block.lines.front().rows)
                block.columnHeads.push_back(row->label);
        blocks.push_back(std::move(block));
    }
    return blocks;
}

} // namespace vexlo
