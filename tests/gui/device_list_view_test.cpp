#include "gui_test_support.h"

#include "devices/report_ctrl.h"
#include "gui/device_list_model.h"
#include "gui/device_list_view.h"

#include <QHeaderView>
#include <QImage>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexlo {
namespace {

// A list with the device list's columns and five rows; serials "1A", "9",
// "30", "B", "2" so that the hexadecimal order differs from the text order.
class DeviceListViewTest : public ::testing::Test
{
protected:
    DeviceListViewTest()
    {
        const std::vector<std::pair<std::u16string, int>> columns = {
            {u"IP地址", 125},       {u"物理地址", 125},     {u"序列号", 135},  {u"设备类型", 115},
            {u"升级前版本号", 180}, {u"升级后版本号", 180}, {u"状态信息", 300}};
        for (int column = 0; column < static_cast<int>(columns.size()); ++column)
            list.insertColumn(column, columns[column].first, columns[column].second);
        const std::vector<std::u16string> serials = {u"1A", u"9", u"30", u"B", u"2"};
        for (int row = 0; row < static_cast<int>(serials.size()); ++row) {
            list.insertRow(row, u"127.0.10." + std::u16string(1, char16_t(u'1' + row)));
            list.setCellText(row, 2, serials[static_cast<std::size_t>(row)]);
            list.setTicked(row, true);
        }
        list.setSortable(true);
        view.setHeaderClickHandler([this](int column) { list.clickHeader(column); });
        view.setCheckBoxClickHandler([this](int row) { return list.clickCheckBox(row, running); });
        view.setDoubleClickHandler([this](int row) { doubleClicked.push_back(row); });
        view.resize(1200, 400);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QString shown(int row, int column) const
    {
        return model.index(row, column).data(Qt::DisplayRole).toString();
    }
    QStringList shownColumn(int column) const
    {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts << shown(row, column);
        return texts;
    }
    void clickHeader(int column)
    {
        QHeaderView* header = view.horizontalHeader();
        const QPoint centre(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    QPoint cellCentre(int row, int column)
    {
        return view.visualRect(model.index(row, column)).center();
    }

    CReportCtrl list;
    DeviceListModel model{list};
    DeviceListView view{model};
    bool running = false;
    std::vector<int> doubleClicked;
};

TEST_F(DeviceListViewTest, ShowsHeadersWidthsTextsAndTicks)
{
    ASSERT_EQ(model.columnCount(), 7);
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("状态信息"));
    EXPECT_EQ(view.columnWidth(2), 135);
    EXPECT_EQ(view.columnWidth(6), 300);
    EXPECT_EQ(shown(1, 2), QStringLiteral("9"));
    EXPECT_EQ(model.index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_FALSE(model.index(0, 1).data(Qt::CheckStateRole).isValid()); // only column 0
    EXPECT_EQ(model.index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignCenter);

    list.setColumnHeaderText(6, u"Status Info");
    list.insertRow(5, u"127.0.10.9");
    list.setCellText(5, 6, u"正在搜索");
    EXPECT_EQ(model.rowCount(), 6) << "a row added later is drawn at once";
    EXPECT_EQ(shown(5, 6), QStringLiteral("正在搜索"));
    EXPECT_EQ(model.headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Status Info"));
    list.deleteAllRows();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(DeviceListViewTest, DrawsEveryCellInItsOwnColours)
{
    list.setBackgroundColour(3, 5, rgb(0, 255, 0));
    list.setTextColour(3, 5, rgb(255, 0, 0));
    list.setBackgroundColour(4, 99, rgb(255, 0, 0)); // a column outside: the whole row
    EXPECT_EQ(model.index(3, 5).data(Qt::ForegroundRole).value<QBrush>().color(),
              QColor(255, 0, 0));
    EXPECT_EQ(model.index(3, 4).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(255, 255, 255));
    EXPECT_EQ(model.index(4, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(255, 0, 0));

    // What reaches the screen: a corner of the cells, away from their text.
    const QImage image = view.viewport()->grab().toImage();
    const QRect green = view.visualRect(model.index(3, 5));
    const QRect red = view.visualRect(model.index(4, 6));
    EXPECT_EQ(QColor(image.pixel(green.topLeft() + QPoint(3, 3))), QColor(0, 255, 0));
    EXPECT_EQ(QColor(image.pixel(red.topLeft() + QPoint(3, 3))), QColor(255, 0, 0));
}

TEST_F(DeviceListViewTest, CheckBoxClickTogglesOnlyTheHitRowAndSelectsIt)
{
    const QRect box = view.checkBoxRect(2);
    ASSERT_FALSE(box.isEmpty());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, box.center());
    EXPECT_FALSE(list.isTicked(2));
    EXPECT_EQ(list.tickedCount(), 4);
    EXPECT_EQ(model.index(2, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    EXPECT_TRUE(list.isSelected(2));
    EXPECT_TRUE(view.selectionModel()->isRowSelected(2, {}));

    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, view.checkBoxRect(2).center());
    EXPECT_TRUE(list.isTicked(2)) << "a right button press toggles as well";

    // A click elsewhere in the row selects it without touching its tick.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(4, 3));
    EXPECT_TRUE(list.isTicked(4));
    EXPECT_TRUE(list.isSelected(4));
    EXPECT_FALSE(list.isSelected(2));
}

TEST_F(DeviceListViewTest, CheckBoxClicksAreRefusedWhileRunning)
{
    running = true;
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.checkBoxRect(1).center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, view.checkBoxRect(1).center());
    EXPECT_TRUE(list.isTicked(1));
    EXPECT_EQ(list.tickedCount(), 5);
}

TEST_F(DeviceListViewTest, SpaceNeverTogglesATick)
{
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCentre(0, 2));
    ASSERT_TRUE(list.isSelected(0));
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Space);
    QTest::keyClick(view.viewport(), Qt::Key_Space);
    EXPECT_TRUE(list.isTicked(0));
    EXPECT_EQ(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole), false);
    EXPECT_TRUE(list.isTicked(0));
}

TEST_F(DeviceListViewTest, HeaderClicksSortAscendingThenDescendingAndTicksMoveWithRows)
{
    list.setTicked(1, false); // serial "9"
    clickHeader(2);
    EXPECT_EQ(shownColumn(2), (QStringList{"2", "9", "B", "1A", "30"}));
    EXPECT_EQ(model.index(1, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    clickHeader(2);
    EXPECT_EQ(shownColumn(2), (QStringList{"30", "1A", "B", "9", "2"}));
    EXPECT_EQ(model.index(3, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);

    list.setCellText(0, 6, u"升级成功"); // an update resets the sort: ascending again
    clickHeader(2);
    EXPECT_EQ(shownColumn(2), (QStringList{"2", "9", "B", "1A", "30"}));
}

TEST_F(DeviceListViewTest, HeaderClicksDoNothingWhileSortingIsOff)
{
    list.setSortable(false);
    clickHeader(2);
    EXPECT_EQ(shownColumn(2), (QStringList{"1A", "9", "30", "B", "2"}));
}

TEST_F(DeviceListViewTest, DoubleClickReportsTheRow)
{
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCentre(3, 4));
    EXPECT_EQ(doubleClicked, std::vector<int>{3});
}

} // namespace
} // namespace vexlo
