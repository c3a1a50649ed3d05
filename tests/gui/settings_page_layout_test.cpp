#include "gui/settings_page_layout.h"
#include "settings/page_definitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vexlo {
namespace {

std::vector<int> idsOf(const PageLine& line)
{
    std::vector<int> ids;
    for (const ControlRow* row : line.rows)
        ids.push_back(row->id);
    return ids;
}

std::vector<PageBlockKind> kindsOf(const std::vector<PageBlock>& blocks)
{
    std::vector<PageBlockKind> kinds;
    for (const PageBlock& block : blocks)
        kinds.push_back(block.kind);
    return kinds;
}

int placedControls(const std::vector<PageBlock>& blocks)
{
    int count = 0;
    for (const PageBlock& block : blocks)
        for (const PageLine& line : block.lines)
            count += static_cast<int>(line.rows.size());
    return count;
}

TEST(SettingsPageLayout, FtpServersFormAGridOfFourRowsAndFiveColumns)
{
    const auto blocks = arrangePage(ftpPageDefinition());
    ASSERT_EQ(kindsOf(blocks),
              (std::vector{PageBlockKind::Enable, PageBlockKind::Grid, PageBlockKind::Save}));
    const PageBlock& grid = blocks[1];
    EXPECT_EQ(grid.columnHeads,
              (std::vector<std::u16string_view>{u"FTP服务器地址", u"FTP端口", u"FTP帐号",
                                                u"FTP密码", u"FTP服务器存储路径"}));
    EXPECT_EQ(grid.rowHeads, (std::vector<std::u16string_view>{u"告警上传", u"日志备份",
                                                               u"配置备份", u"远程升级"}));
    ASSERT_EQ(grid.lines.size(), 4u);
    EXPECT_EQ(idsOf(grid.lines[2]), (std::vector{1119, 1120, 1121, 1101, 1104}));
    EXPECT_EQ(idsOf(grid.lines[3]), (std::vector{1122, 1123, 1124, 1125, 1105}));
}

TEST(SettingsPageLayout, SmtpAccountLinesComeBeforeTheRecipientGrid)
{
    const auto blocks = arrangePage(smtpPageDefinition());
    ASSERT_EQ(kindsOf(blocks), (std::vector{PageBlockKind::Enable, PageBlockKind::Form,
                                            PageBlockKind::Grid, PageBlockKind::Save}));
    EXPECT_EQ(blocks[1].lines.size(), 7u);
    EXPECT_EQ(blocks[1].lines[6].caption, u"显示帐号");
    ASSERT_EQ(blocks[2].lines.size(), 3u);
    EXPECT_EQ(blocks[2].rowHeads.size(), 3u);
    EXPECT_EQ(idsOf(blocks[2].lines[1]), (std::vector{1096, 1136, 1097}));
}

TEST(SettingsPageLayout, VideoStreamsShareALinePerCaptionUnderTheirHeads)
{
    const auto blocks = arrangePage(videoCodePageDefinition());
    ASSERT_EQ(kindsOf(blocks),
              (std::vector{PageBlockKind::Enable, PageBlockKind::Form, PageBlockKind::Save}));
    const PageBlock& form = blocks[1];
    EXPECT_EQ(form.columnHeads, (std::vector<std::u16string_view>{u"主码流", u"子码流"}));
    ASSERT_EQ(form.lines.size(), 8u);
    EXPECT_EQ(idsOf(form.lines[1]), (std::vector{1178, 1179}));
    EXPECT_EQ(idsOf(form.lines[6]), (std::vector{1028}));
}

TEST(SettingsPageLayout, MotionScheduleRowsAreTickStartAndEnd)
{
    const auto blocks = arrangePage(motionPageDefinition());
    ASSERT_EQ(kindsOf(blocks), (std::vector{PageBlockKind::Enable, PageBlockKind::Form,
                                            PageBlockKind::Schedule, PageBlockKind::Save}));
    EXPECT_EQ(blocks[1].lines.size(), 9u);
    const PageBlock& schedule = blocks[2];
    ASSERT_EQ(schedule.lines.size(), 8u);
    EXPECT_EQ(idsOf(schedule.lines[0]), (std::vector{1196, 1104, 1105}));
    EXPECT_EQ(idsOf(schedule.lines[7]), (std::vector{1069, 1118, 1119}));
}

TEST(SettingsPageLayout, EnableTickStandsAloneEvenWhenALineSharesItsCaption)
{
    // The maintenance page's tick and its first list are both "定时维护".
    const auto blocks = arrangePage(maintainPageDefinition());
    ASSERT_EQ(kindsOf(blocks),
              (std::vector{PageBlockKind::Enable, PageBlockKind::Form, PageBlockKind::Save}));
    EXPECT_EQ(idsOf(blocks[0].lines[0]), (std::vector{1203}));
    EXPECT_EQ(idsOf(blocks[1].lines[0]), (std::vector{1204}));
}

TEST(SettingsPageLayout, EveryVisibleControlIsPlacedOnceAndHiddenOnesNot)
{
    const PageDefinition* pages[] = {
        &ethernetPageDefinition(),  &cloudPageDefinition(),     &ftpPageDefinition(),
        &smtpPageDefinition(),      &streamPageDefinition(),    &platformPageDefinition(),
        &capturePageDefinition(),   &timeTitlePageDefinition(), &videoCodePageDefinition(),
        &audioCodePageDefinition(), &motionPageDefinition(),    &accountPageDefinition(),
        &timeSetPageDefinition(),   &maintainPageDefinition(),  &languagePageDefinition()};
    for (const PageDefinition* page : pages) {
        const int visible =
            static_cast<int>(std::count_if(page->rows.begin(), page->rows.end(),
                                           [](const ControlRow& row) { return row.visible; }));
        const auto blocks = arrangePage(*page);
        EXPECT_EQ(placedControls(blocks), visible) << "page of control " << page->rows[0].id;
        for (const PageBlock& block : blocks)
            for (const PageLine& line : block.lines)
                for (const ControlRow* row : line.rows)
                    EXPECT_TRUE(row->visible) << row->id;
    }
    EXPECT_EQ(unitAfter(1213), u"秒(s)");
    EXPECT_TRUE(unitAfter(1212).empty());
}

} // namespace
} // namespace vexlo
