#include "../app/main_window_fixture.h"
#include "test_devices.h"

#include "app/main_controls.h"

#include <gtest/gtest.h>

namespace vexlo {

namespace {

// Button 1054 hands the front end the ticked devices in list order, at most 250.
TEST_F(MainWindowTest, PlayTickedShowsTheFirst250TickedRows)
{
    open();
    vexlo::CReportCtrl& list = window->deviceList();
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    for (int i = 0; i < 262; ++i) {
        records.push_back(makeDevice("127.0.4." + std::to_string(i)));
        const int row = list.insertRow(list.rowCount(), u"row");
        ASSERT_EQ(row, i);
        list.attachDevice(row, records.back().get());
        list.setTicked(row, i != 1 && i != 2); // 260 ticked
    }
    window->model().userClick(vexlo::ctl::PlayTickedButton);
    ASSERT_EQ(frontEnd.videoWalls.size(), 1u);
    const auto& wall = frontEnd.videoWalls[0];
    ASSERT_EQ(wall.size(), 250u);
    EXPECT_EQ(wall[0], records[0].get());
    EXPECT_EQ(wall[1], records[3].get()); // unticked rows are skipped
    EXPECT_EQ(wall[249], records[251].get());

    for (int row = 0; row < list.rowCount(); ++row)
        list.attachDevice(row, nullptr); // the records go with the test
}

} // namespace

} // namespace vexlo
