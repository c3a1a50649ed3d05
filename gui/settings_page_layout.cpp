#include "gui/settings_page_layout.h"

#include <algorithm>
#include <span>

namespace vexlo {
namespace {

// Texts of the page templates that name no control: the heads of the grid
// rows and of the stream columns, and units. Keyed by the first control they
// stand next to.
struct HeadsEntry
{
    int firstControlId;
    std::span<const std::u16string_view> heads;
};

constexpr std::u16string_view kFtpServerHeads[] = {u"告警上传", u"日志备份", u"配置备份",
                                                   u"远程升级"};
constexpr std::u16string_view kMailRecipientHeads[] = {u"告警上传", u"日志备份", u"配置备份"};
constexpr std::u16string_view kStreamHeads[] = {u"主码流", u"子码流"};

constexpr HeadsEntry kGridRowHeads[] = {
    {1111, kFtpServerHeads},
    {1134, kMailRecipientHeads},
};
constexpr HeadsEntry kFormColumnHeads[] = {
    {1176, kStreamHeads},
};

struct UnitEntry
{
    int controlId;
    std::u16string_view unit;
};
constexpr UnitEntry kUnits[] = {
    {1213, u"秒(s)"},
};

constexpr int kLongestGridPeriod = 8;

std::vector<std::u16string_view> headsFor(std::span<const HeadsEntry> table, int firstControlId)
{
    for (const HeadsEntry& entry : table)
        if (entry.firstControlId == firstControlId)
            return {entry.heads.begin(), entry.heads.end()};
    return {};
}

bool isScheduleLine(const PageLine& line)
{
    if (line.rows.size() < 2 || line.rows.front()->kind != ControlKind::CheckBox)
        return false;
    return std::all_of(line.rows.begin() + 1, line.rows.end(),
                       [](const ControlRow* row) { return row->kind == ControlKind::TimePicker; });
}

// Lines of one control each whose captions repeat with period p from `first`:
// returns p and how many repetitions follow, or {0, 0}.
std::pair<std::size_t, std::size_t> repeatedRun(const std::vector<PageLine>& lines,
                                                std::size_t first)
{
    auto single = [&](std::size_t i) { return i < lines.size() && lines[i].rows.size() == 1; };
    for (std::size_t period = 2; period <= kLongestGridPeriod; ++period) {
        std::size_t repetitions = 0;
        for (;;) {
            const std::size_t start = first + (repetitions + 1) * period;
            bool matches = true;
            for (std::size_t k = 0; k < period && matches; ++k)
                matches = single(first + k) && single(start + k) &&
                          lines[start + k].caption == lines[first + k].caption;
            if (!matches)
                break;
            ++repetitions;
        }
        if (repetitions > 0)
            return {period, repetitions + 1};
    }
    return {0, 0};
}

PageBlock& openBlock(std::vector<PageBlock>& blocks, PageBlockKind kind)
{
    if (blocks.empty() || blocks.back().kind != kind)
        blocks.push_back(PageBlock{kind, {}, {}, {}});
    return blocks.back();
}

} // namespace

std::vector<PageBlock> arrangePage(const PageDefinition& page)
{
    std::vector<PageBlock> blocks;
    std::vector<PageLine> lines;
    PageBlock save{PageBlockKind::Save, {}, {}, {}};
    bool first = true;
    for (const ControlRow& row : page.rows) {
        if (!row.visible)
            continue;
        if (first && row.kind == ControlKind::CheckBox) {
            blocks.push_back(PageBlock{PageBlockKind::Enable, {}, {}, {PageLine{{}, {&row}}}});
        } else if (row.rule == StoreRule::Save) {
            save.lines.push_back(PageLine{{}, {&row}});
        } else if (!lines.empty() && lines.back().caption == row.label) {
            lines.back().rows.push_back(&row);
        } else {
            lines.push_back(PageLine{row.label, {&row}});
        }
        first = false;
    }

    for (std::size_t i = 0; i < lines.size();) {
        if (isScheduleLine(lines[i])) {
            openBlock(blocks, PageBlockKind::Schedule).lines.push_back(lines[i]);
            ++i;
            continue;
        }
        const auto [period, repetitions] = repeatedRun(lines, i);
        if (period > 0) {
            PageBlock grid{PageBlockKind::Grid, {}, {}, {}};
            for (std::size_t k = 0; k < period; ++k)
                grid.columnHeads.push_back(lines[i + k].caption);
            grid.rowHeads = headsFor(kGridRowHeads, lines[i].rows.front()->id);
            grid.rowHeads.resize(repetitions);
            for (std::size_t r = 0; r < repetitions; ++r) {
                PageLine line;
                for (std::size_t k = 0; k < period; ++k)
                    line.rows.push_back(lines[i + r * period + k].rows.front());
                grid.lines.push_back(std::move(line));
            }
            blocks.push_back(std::move(grid));
            i += period * repetitions;
            continue;
        }
        PageBlock& form = openBlock(blocks, PageBlockKind::Form);
        if (form.columnHeads.empty() && lines[i].rows.size() > 1)
            form.columnHeads = headsFor(kFormColumnHeads, lines[i].rows.front()->id);
        form.lines.push_back(lines[i]);
        ++i;
    }
    if (!save.lines.empty())
        blocks.push_back(std::move(save));
    return blocks;
}

std::u16string_view unitAfter(int controlId)
{
    for (const UnitEntry& entry : kUnits)
        if (entry.controlId == controlId)
            return entry.unit;
    return {};
}

} // namespace vexlo
