#include "devices/cell_compare.h"
#include "devices/report_ctrl.h"
#include "engine/device_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vexlo {

namespace {

int sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

int compare(const char16_t* a, const char16_t* b)
{
    return sign(CReportCtrl::compareCells(a, b));
}

// Counts ticks the way the main window does and gives records their rows.
class CountingObserver : public vexlo::ReportObserver
{
public:
    explicit CountingObserver(CReportCtrl& list) : m_list(list) { m_list.setObserver(this); }
    ~CountingObserver() override { m_list.removeObserver(this); }

    void tickChanged(int, int oldState, int newState) override
    {
        ticked += (oldState == 1 && newState == 2) ? 1 : (oldState == 2 && newState == 1 ? -1 : 0);
    }
    void rowChanged(int row) override
    {
        if (_DEVICERECORD* record = m_list.deviceOfRow(row))
            record->listRow = row;
    }
    void layoutChanged() override { ++layouts; }

    int ticked = 0;
    int layouts = 0;

private:
    CReportCtrl& m_list;
};

class ReportCtrlTest : public ::testing::Test
{
protected:
    ReportCtrlTest()
    {
        for (int column = 0; column < vexlo::kDeviceListColumns; ++column)
            list.insertColumn(column, u"c" + std::u16string(1, char16_t(u'0' + column)), 100);
        list.setSortable(true);
    }

    // Appends a row whose serial column (2) holds `serial`, with a record.
    int addRow(const std::u16string& serial)
    {
        const int row = list.insertRow(list.rowCount(), u"ip-" + serial);
        list.setCellText(row, 2, serial);
        records.push_back(std::make_unique<_DEVICERECORD>());
        list.attachDevice(row, records.back().get());
        return row;
    }

    std::vector<std::u16string> column(int c) const
    {
        std::vector<std::u16string> texts;
        for (int row = 0; row < list.rowCount(); ++row)
            texts.push_back(list.cellText(row, c));
        return texts;
    }

    CReportCtrl list;
    CountingObserver observer{list};
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
};

} // namespace

TEST(CellCompare, HexadecimalBeforeEverythingElse)
{
    EXPECT_EQ(compare(u"9", u"1A"), -1); // 9 < 0x1A, though '9' > '1' as text
    EXPECT_EQ(compare(u"10", u"9"), 1);  // both read as hexadecimal: 16 > 9
    EXPECT_EQ(compare(u"  0x1f", u"1E"), 1);
    EXPECT_EQ(compare(u"+ff", u"0XFF"), 0);
    // Beyond 32 bits the value saturates, so these two are equal.
    EXPECT_EQ(compare(u"FFFFFFFFF", u"123456789A"), 0);
    EXPECT_EQ(compare(u"FFFFFFFE", u"FFFFFFFFF"), -1);
    // A minus sign negates modulo 2^32: -1 is the largest value.
    EXPECT_EQ(compare(u"-1", u"FFFFFFFE"), 1);
}

TEST(CellCompare, HexadecimalReadingIsWholeOrNothing)
{
    EXPECT_FALSE(vexlo::parseHexCell(u"0x"));
    EXPECT_FALSE(vexlo::parseHexCell(u"1A "));
    EXPECT_FALSE(vexlo::parseHexCell(u"G1"));
    EXPECT_FALSE(vexlo::parseHexCell(u""));
    EXPECT_FALSE(vexlo::parseHexCell(u"  "));
    EXPECT_FALSE(vexlo::parseHexCell(u"-"));
    EXPECT_EQ(vexlo::parseHexCell(u"0x0"), 0u);
    EXPECT_EQ(vexlo::parseHexCell(u"\t-0x10"), 0xFFFFFFF0u);
}

TEST(CellCompare, NumbersWithAndWithoutPercent)
{
    EXPECT_EQ(compare(u"2.5", u"10.25"), -1);
    EXPECT_EQ(compare(u"50%", u"100%"), -1); // as text "5" > "1"
    EXPECT_EQ(compare(u"9.5%", u"10"), -1);
    EXPECT_EQ(compare(u"-3.5", u"1.5"), -1);
    EXPECT_EQ(compare(u"1e3", u"999.5"), 1);
    EXPECT_FALSE(vexlo::parseNumberCell(u"5%%"));
    EXPECT_FALSE(vexlo::parseNumberCell(u"5 %"));
    EXPECT_FALSE(vexlo::parseNumberCell(u"."));
    EXPECT_FALSE(vexlo::parseNumberCell(u"1e"));
    EXPECT_FALSE(vexlo::parseNumberCell(u"nan"));
    EXPECT_FALSE(vexlo::parseNumberCell(u"inf"));
    EXPECT_EQ(vexlo::parseNumberCell(u" .5%"), 0.5);
}

TEST(CellCompare, DatesInEitherForm)
{
    EXPECT_EQ(compare(u"2024-02-01", u"2023-12-31"), 1);
    EXPECT_EQ(compare(u"2024/1/9", u"2024/01/10"), -1);
    EXPECT_EQ(compare(u"2024-03-01 09:05", u"2024-03-01 10:00:00"), -1);
    EXPECT_EQ(compare(u"2024-03-01 10:00:01", u"2024-03-01 10:00"), 1);
    EXPECT_TRUE(vexlo::parseDateCell(u"2024-02-29"));
    EXPECT_FALSE(vexlo::parseDateCell(u"2023-02-29"));
    EXPECT_FALSE(vexlo::parseDateCell(u"2024-13-01"));
    EXPECT_FALSE(vexlo::parseDateCell(u"2024-01/01"));
    EXPECT_FALSE(vexlo::parseDateCell(u"2024-01-01 24:00"));
    EXPECT_FALSE(vexlo::parseDateCell(u"2024-01-01 10"));
    EXPECT_FALSE(vexlo::parseDateCell(u"2024-01-01x"));
}

TEST(CellCompare, TextByCodeUnits)
{
    // Addresses and versions are neither numbers nor dates.
    EXPECT_EQ(compare(u"192.168.1.20", u"192.168.1.3"), -1);
    EXPECT_EQ(compare(u"V1.2", u"v1.2"), -1); // case-sensitive: 'V' < 'v'
    EXPECT_EQ(compare(u"", u"0"), -1);        // empty never reads as a number
    EXPECT_EQ(compare(u"", u""), 0);
    EXPECT_EQ(compare(u"升级成功", u"升级成功"), 0);
    EXPECT_EQ(compare(u"Z", u"升"), -1);
}

TEST_F(ReportCtrlTest, SortsSerialsAsHexadecimalAscendingThenDescending)
{
    addRow(u"1A");
    addRow(u"9");
    addRow(u"B");
    list.clickHeader(2);
    EXPECT_EQ(column(2), (std::vector<std::u16string>{u"9", u"B", u"1A"}));
    EXPECT_EQ(list.sortColumn(), 2);
    EXPECT_TRUE(list.sortAscending());
    list.clickHeader(2);
    EXPECT_EQ(column(2), (std::vector<std::u16string>{u"1A", u"B", u"9"}));
    EXPECT_FALSE(list.sortAscending());
    // Another column always starts ascending.
    list.clickHeader(0);
    EXPECT_TRUE(list.sortAscending());
    EXPECT_EQ(list.sortColumn(), 0);
}

TEST_F(ReportCtrlTest, AnUpdateBetweenClicksMakesTheNextClickAscendAgain)
{
    addRow(u"2");
    addRow(u"1");
    list.clickHeader(2);
    list.setCellText(0, 6, u"正在升级");
    EXPECT_EQ(list.sortColumn(), -1);
    list.clickHeader(2);
    EXPECT_EQ(column(2), (std::vector<std::u16string>{u"1", u"2"}));
    EXPECT_TRUE(list.sortAscending());

    // An insertion resets it the same way.
    list.clickHeader(2);
    addRow(u"0");
    list.clickHeader(2);
    EXPECT_TRUE(list.sortAscending());
    EXPECT_EQ(column(2), (std::vector<std::u16string>{u"0", u"1", u"2"}));
}

TEST_F(ReportCtrlTest, HeaderClickDoesNothingWhileNotSortable)
{
    addRow(u"2");
    addRow(u"1");
    list.setSortable(false);
    list.clickHeader(2);
    EXPECT_EQ(column(2), (std::vector<std::u16string>{u"2", u"1"}));
    EXPECT_EQ(list.sortColumn(), -1);
    // A column that does not exist is never sorted.
    list.setSortable(true);
    list.sort(7, true);
    list.sort(-1, true);
    EXPECT_EQ(list.sortColumn(), -1);
}

TEST_F(ReportCtrlTest, RowsMoveWholeWhenSorted)
{
    for (const char16_t* serial : {u"5", u"3", u"4", u"1", u"2"})
        addRow(serial);
    list.setTicked(0, true); // "5"
    list.setTicked(3, true); // "1"
    list.setTextColour(0, 5, vexlo::rgb(0, 200, 0));
    list.selectOnly(1); // "3"
    _DEVICERECORD* five = list.deviceOfRow(0);
    ASSERT_EQ(observer.ticked, 2);

    list.sort(2, true);
    EXPECT_EQ(column(2), (std::vector<std::u16string>{u"1", u"2", u"3", u"4", u"5"}));
    EXPECT_EQ(column(0),
              (std::vector<std::u16string>{u"ip-1", u"ip-2", u"ip-3", u"ip-4", u"ip-5"}));
    EXPECT_TRUE(list.isTicked(0));
    EXPECT_TRUE(list.isTicked(4));
    EXPECT_EQ(list.tickedCount(), 2);
    EXPECT_EQ(observer.ticked, 2);
    EXPECT_TRUE(list.isSelected(2));
    EXPECT_EQ(list.focusedRow(), 2);
    EXPECT_EQ(list.cell(4, 5)->textColour, vexlo::rgb(0, 200, 0));
    EXPECT_EQ(list.deviceOfRow(4), five);
    for (int row = 0; row < list.rowCount(); ++row)
        EXPECT_EQ(list.deviceOfRow(row)->listRow.load(), row) << "row " << row;
}

TEST_F(ReportCtrlTest, SortsManyEqualAndMixedCellsWithoutLosingRows)
{
    // Mixed readings are not a consistent order; the sort must still end and
    // keep every row.
    const std::u16string texts[] = {u"1e1",        u"20", u"15.5", u"",  u"x",   u"9",  u"9",
                                    u"2024-01-01", u"1A", u"1e1",  u"9", u"50%", u"-1", u"0x10"};
    for (const auto& text : texts)
        addRow(text);
    list.sort(2, true);
    list.sort(2, false);
    EXPECT_EQ(list.rowCount(), static_cast<int>(std::size(texts)));
    std::vector<std::u16string> sorted = column(2);
    std::vector<std::u16string> original(std::begin(texts), std::end(texts));
    std::sort(sorted.begin(), sorted.end());
    std::sort(original.begin(), original.end());
    EXPECT_EQ(sorted, original);
}

TEST_F(ReportCtrlTest, InvertAndTickAllKeepTheCount)
{
    for (int i = 0; i < 5; ++i)
        addRow(std::u16string(1, char16_t(u'0' + i)));
    list.setTicked(0, true);
    list.setTicked(2, true);
    list.setTicked(4, true);
    list.invertTicks();
    EXPECT_EQ(observer.ticked, 2);
    EXPECT_TRUE(list.isTicked(1));
    EXPECT_TRUE(list.isTicked(3));
    EXPECT_FALSE(list.isTicked(0));
    list.tickAll(true);
    EXPECT_EQ(observer.ticked, 5);
    list.tickAll(false);
    EXPECT_EQ(observer.ticked, 0);
}

TEST_F(ReportCtrlTest, CheckBoxClicksAndKeys)
{
    addRow(u"1");
    addRow(u"2");
    list.selectOnly(0);
    EXPECT_FALSE(list.clickCheckBox(1, /*running=*/true));
    EXPECT_FALSE(list.isTicked(1));
    EXPECT_TRUE(list.isSelected(0));

    EXPECT_TRUE(list.clickCheckBox(1, false));
    EXPECT_TRUE(list.isTicked(1));
    EXPECT_FALSE(list.isSelected(0));
    EXPECT_TRUE(list.isSelected(1));
    EXPECT_EQ(list.focusedRow(), 1);
    EXPECT_FALSE(list.clickCheckBox(5, false));

    EXPECT_TRUE(list.keySwallowed(CReportCtrl::kSpaceKey));
    EXPECT_FALSE(list.keySwallowed('A'));
}

TEST_F(ReportCtrlTest, ColoursOutsideTheRangeApplyToAll)
{
    addRow(u"1");
    addRow(u"2");
    list.setTextColour(-1, 3, vexlo::rgb(1, 2, 3));
    EXPECT_EQ(list.cell(0, 3)->textColour, vexlo::rgb(1, 2, 3));
    EXPECT_EQ(list.cell(1, 3)->textColour, vexlo::rgb(1, 2, 3));
    EXPECT_EQ(list.cell(1, 2)->textColour, vexlo::kWindowTextColour);

    list.setTextColour(1, 99, vexlo::rgb(9, 9, 9));
    for (int c = 0; c < vexlo::kDeviceListColumns; ++c)
        EXPECT_EQ(list.cell(1, c)->textColour, vexlo::rgb(9, 9, 9));
    EXPECT_EQ(list.cell(0, 0)->textColour, vexlo::kWindowTextColour);

    list.setBackgroundColour(0, 6, vexlo::rgb(200, 0, 0));
    EXPECT_EQ(list.cell(0, 6)->backgroundColour, vexlo::rgb(200, 0, 0));
    EXPECT_EQ(list.cell(1, 6)->backgroundColour, vexlo::kWindowColour);
}

TEST_F(ReportCtrlTest, OperationsOnMissingRowsDoNothing)
{
    addRow(u"1");
    EXPECT_FALSE(list.setCellText(3, 0, u"x"));
    EXPECT_FALSE(list.setCellText(0, 7, u"x"));
    EXPECT_FALSE(list.attachDevice(-1, nullptr));
    EXPECT_EQ(list.deviceOfRow(1), nullptr);
    EXPECT_EQ(list.cell(0, -1), nullptr);
    EXPECT_EQ(list.insertRow(-1, u"x"), -1);
    EXPECT_EQ(list.insertRow(50, u"end"), 1); // beyond the end: appended
    list.setTicked(9, true);
    EXPECT_EQ(list.tickedCount(), 0);
    EXPECT_FALSE(list.setColumnHeaderText(7, u"x"));
    EXPECT_TRUE(list.setColumnHeaderText(6, u"Status Info"));
    EXPECT_EQ(list.headerText(6), u"Status Info");
    EXPECT_EQ(list.deleteAllRows(), 2);
    EXPECT_EQ(list.rowCount(), 0);
}

TEST_F(ReportCtrlTest, InsertingAboveMovesRecordsDown)
{
    addRow(u"1");
    addRow(u"2");
    list.insertRow(0, u"new");
    EXPECT_EQ(records[0]->listRow.load(), 1);
    EXPECT_EQ(records[1]->listRow.load(), 2);
}

} // namespace vexlo
