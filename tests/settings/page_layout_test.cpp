#include "settings/page_definitions.h"
#include "settings/page_layout.h"
#include "settings/page_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexlo {
namespace {

std::vector<int> idsOf(const PageLine& line)
{
    std::vector<int> ids;
    for (const ControlRow* row : line.rows)
        ids.push_back(row->id);
    return ids;
}

std::vector<std::u16string_view> chineseOf(const std::vector<PageText>& texts)
{
    std::vector<std::u16string_view> chinese;
    for (const PageText& text : texts)
        chinese.push_back(text.chinese);
    return chinese;
}

std::vector<PageBlockKind> kindsOf(const std::vector<PageBlock>& blocks)
{
    std::vector<PageBlockKind> kinds;
    for (const PageBlock& block : blocks)
        kinds.push_back(block.kind);
    return kinds;
}

// A block list that does not match its rows leaves a control undrawn, draws one
// twice or shifts a grid by a column; each page's table must fit its blocks.
TEST(SettingsPageLayout, EveryPageShowsEachVisibleRowOnceInTableOrder)
{
    for (const SettingsPageEntry& entry : settingsPages()) {
        SCOPED_TRACE(std::string(entry.className));
        const PageDefinition& page = entry.definition();
        const auto blocks = arrangePage(page);

        std::vector<const ControlRow*> placed;
        for (const PageBlock& block : blocks)
            for (const PageLine& line : block.lines)
                placed.insert(placed.end(), line.rows.begin(), line.rows.end());
        std::vector<const ControlRow*> visible;
        for (const ControlRow& row : page.rows)
            if (row.visible)
                visible.push_back(&row);
        EXPECT_EQ(placed, visible);

        ASSERT_GE(blocks.size(), 2u);
        ASSERT_EQ(blocks.front().kind, PageBlockKind::Enable);
        EXPECT_EQ(blocks.front().lines.size(), 1u);
        EXPECT_EQ(blocks.front().lines[0].rows.front()->rule, StoreRule::Tick);
        ASSERT_EQ(blocks.back().kind, PageBlockKind::Save);
        for (const PageLine& line : blocks.back().lines)
            EXPECT_EQ(line.rows.front()->rule, StoreRule::Save);

        for (const PageBlock& block : blocks) {
            for (const PageLine& line : block.lines) {
                switch (block.kind) {
                case PageBlockKind::Form:
                    // Controls side by side share their caption, one under each head.
                    if (line.rows.size() > 1) {
                        EXPECT_EQ(line.rows.size(), block.columnHeads.size()) << line.rows[0]->id;
                    }
                    for (const ControlRow* row : line.rows)
                        EXPECT_EQ(row->label, line.caption) << row->id;
                    break;
                case PageBlockKind::Grid:
                    EXPECT_EQ(block.rowHeads.size(), block.lines.size());
                    ASSERT_EQ(line.rows.size(), block.columnHeads.size());
                    for (std::size_t c = 0; c < line.rows.size(); ++c)
                        EXPECT_EQ(line.rows[c]->label, block.columnHeads[c]) << line.rows[c]->id;
                    break;
                case PageBlockKind::Schedule:
                    ASSERT_EQ(line.rows.size(), 3u);
                    EXPECT_EQ(line.rows[0]->kind, ControlKind::CheckBox);
                    EXPECT_EQ(line.rows[1]->kind, ControlKind::TimePicker);
                    EXPECT_EQ(line.rows[2]->kind, ControlKind::TimePicker);
                    break;
                case PageBlockKind::Enable:
                case PageBlockKind::Save:
                    EXPECT_EQ(line.rows.size(), 1u);
                    break;
                }
            }
        }
    }
}

TEST(SettingsPageLayout, FtpServersFormAGridOfFourRowsAndFiveColumns)
{
    const auto blocks = arrangePage(ftpPageDefinition());
    ASSERT_EQ(kindsOf(blocks),
              (std::vector{PageBlockKind::Enable, PageBlockKind::Grid, PageBlockKind::Save}));
    const PageBlock& grid = blocks[1];
    EXPECT_EQ(chineseOf(grid.columnHeads),
              (std::vector<std::u16string_view>{u"FTP服务器地址", u"FTP端口", u"FTP帐号",
                                                u"FTP密码", u"FTP服务器存储路径"}));
    EXPECT_EQ(chineseOf(grid.rowHeads), (std::vector<std::u16string_view>{
                                            u"告警上传", u"日志备份", u"配置备份", u"远程升级"}));
    ASSERT_EQ(grid.lines.size(), 4u);
    EXPECT_EQ(idsOf(grid.lines[2]), (std::vector{1119, 1120, 1121, 1101, 1104}));
    EXPECT_EQ(idsOf(grid.lines[3]), (std::vector{1122, 1123, 1124, 1125, 1105}));
}

TEST(SettingsPageLayout, VideoStreamsShareALinePerCaptionUnderTheirHeads)
{
    const auto blocks = arrangePage(videoCodePageDefinition());
    ASSERT_EQ(kindsOf(blocks),
              (std::vector{PageBlockKind::Enable, PageBlockKind::Form, PageBlockKind::Save}));
    const PageBlock& form = blocks[1];
    EXPECT_EQ(chineseOf(form.columnHeads),
              (std::vector<std::u16string_view>{u"主码流", u"子码流"}));
    ASSERT_EQ(form.lines.size(), 8u);
    EXPECT_EQ(idsOf(form.lines[1]), (std::vector{1178, 1179}));
    EXPECT_EQ(idsOf(form.lines[6]), (std::vector{1028}));
}

TEST(SettingsPageLayout, MotionScheduleFollowsTheFormAndHiddenRowsTakeNoPlace)
{
    const auto motion = arrangePage(motionPageDefinition());
    ASSERT_EQ(kindsOf(motion), (std::vector{PageBlockKind::Enable, PageBlockKind::Form,
                                            PageBlockKind::Schedule, PageBlockKind::Save}));
    EXPECT_EQ(motion[1].lines.size(), 9u);
    ASSERT_EQ(motion[2].lines.size(), 8u);
    EXPECT_EQ(idsOf(motion[2].lines[0]), (std::vector{1196, 1104, 1105}));

    // The set-time tick is hidden: the NTP lines follow the date-time at once,
    // and the refresh interval carries its unit.
    const auto timeSet = arrangePage(timeSetPageDefinition());
    ASSERT_EQ(timeSet[1].lines.size(), 6u);
    EXPECT_EQ(idsOf(timeSet[1].lines[3]), (std::vector{1209}));
    EXPECT_EQ(timeSet[1].lines[5].rows[0]->unit.chinese, u"秒(s)");
}

TEST(SettingsPageLayout, BlocksOutrunningTheirRowsEndWithoutEmptyBlocks)
{
    const ControlRow rows[] = {tickRow(1, {u"开启"}, profileField("lan.enabled")),
                               textRow(2, {u"地址"}, profileField("lan.ipAddress"))};
    const PageBlockLayout layout[] = {enableBlock(), formBlock(3), saveBlock()};
    const auto blocks = arrangePage(PageDefinition{rows, layout});
    ASSERT_EQ(kindsOf(blocks), (std::vector{PageBlockKind::Enable, PageBlockKind::Form}));
    EXPECT_EQ(blocks[1].lines.size(), 1u);
}

} // namespace
} // namespace vexlo
