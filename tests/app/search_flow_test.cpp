#include "main_window_fixture.h"

#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "platform/codepage.h"
#include "platform/tick.h"

#include <algorithm>
#include <set>

namespace vexlo {

using Entry = FakeSearchEntry;
using Readdress = FakeSearchEntry::Readdress;

namespace {

// Remembers every status text (column 6) the list was given, per serial.
class StatusRecorder : public vexlo::ReportObserver
{
public:
    explicit StatusRecorder(vexlo::CReportCtrl& list) : m_list(list) { m_list.setObserver(this); }
    ~StatusRecorder() override { m_list.removeObserver(this); }

    void tickChanged(int, int, int) override {}
    void layoutChanged() override {}
    void rowChanged(int row) override
    {
        const _DEVICERECORD* record = m_list.deviceOfRow(row);
        const std::u16string shown = m_list.cellText(row, 6);
        if (!record || shown.empty())
            return;
        std::vector<std::u16string>& texts =
            statuses[std::string(vexlo::fieldText(record->serialNo))];
        if (texts.empty() || texts.back() != shown)
            texts.push_back(shown);
    }

    std::map<std::string, std::vector<std::u16string>> statuses;

private:
    vexlo::CReportCtrl& m_list;
};

class SearchFlowTest : public MainWindowTest
{
protected:
    void openWithExpected(int expected, std::initializer_list<int> ticks)
    {
        open();
        tickOnly(ticks);
        window->model().userSelect(ctl::ExpectedCountCombo, expected - 1);
        recorder = std::make_unique<StatusRecorder>(window->deviceList());
    }

    void TearDown() override { recorder.reset(); }

    std::unique_ptr<StatusRecorder> recorder;
};

} // namespace

TEST_F(SearchFlowTest, StopsAtTheExpectedCountSkippingNvrsAndFailedReads)
{
    // 30 cameras, with an NVR and an unreadable result among the first ones:
    // each skipped position must not make a later device appear twice.
    library.addCameras(1, 2);
    library.addSearchResult(Entry{"nvr1", "127.0.1.200", "NVR"});
    library.addSearchResult(Entry{"broken", "127.0.1.201", "IPC", /*readFails=*/true});
    library.addCameras(3, 28);
    library.addSearchResult(Entry{"nvr2", "127.0.1.202", "NVR"});
    openWithExpected(24, {ctl::SearchTick});

    window->model().userClick(ctl::ExecuteButton);
    EXPECT_EQ(text(ctl::CurrentAction), u"正在搜索");
    EXPECT_FALSE(window->model().enabled(ctl::SearchButton));
    ASSERT_TRUE(waitForFinish());

    const auto serials = column(2);
    ASSERT_EQ(serials.size(), 24u);
    EXPECT_EQ(std::set<std::u16string>(serials.begin(), serials.end()).size(), 24u);
    for (int n = 1; n <= 24; ++n)
        EXPECT_EQ(serials[n - 1], vexlo::utf8ToUtf16("cam" + std::to_string(n)));
    EXPECT_EQ(column(3), std::vector<std::u16string>(24, u"IPC"));
    EXPECT_EQ(column(0)[23], u"127.0.1.24");
    EXPECT_EQ(text(ctl::TotalCount), u"24");
    EXPECT_EQ(text(ctl::TickedCount), u"24");
    EXPECT_EQ(window->tickedCount(), 24);
    EXPECT_EQ(library.countOf("StopSearchIPC"), 1u);
    EXPECT_TRUE(questions.empty());

    // Every record knows its row, and its searchRow is its row at insertion.
    for (int row = 0; row < 24; ++row) {
        const _DEVICERECORD* record = window->deviceList().deviceOfRow(row);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->listRow.load(), row);
        EXPECT_EQ(record->searchRow, row);
    }
}

TEST_F(SearchFlowTest, ANewSearchLogsOutAndReplacesTheRecords)
{
    library.addCameras(1, 2);
    openWithExpected(2, {ctl::SearchTick});
    window->onCommand(ctl::SearchButton);
    ASSERT_TRUE(waitForFinish());
    window->deviceList().deviceOfRow(1)->loginHandle = 77;

    window->onCommand(ctl::SearchButton);
    const auto logouts = library.callsNamed("Logout");
    ASSERT_EQ(logouts.size(), 1u);
    EXPECT_EQ(logouts[0].handle, 77);
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(window->deviceList().rowCount(), 2);
    EXPECT_EQ(window->deviceList().deviceOfRow(1)->loginHandle.load(), 0);
}

TEST_F(SearchFlowTest, AsksAfterTwentySecondsAndStopsOnNo)
{
    library.addCameras(1, 3);
    openWithExpected(5, {ctl::SearchTick, ctl::ModifyIpTick});
    std::vector<std::uint32_t> askedAt;
    const std::uint32_t started = vexlo::GetTickCount();
    answer = [&](const std::u16string&) {
        askedAt.push_back(vexlo::ticksSince(started));
        return askedAt.size() < 2; // Yes, then No
    };

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], u"搜索到的IPC数量与设备升级数量不一致，是否继续搜索？");
    EXPECT_GT(askedAt[0], 20000u);
    // Yes starts a new 20-second window from the answer.
    EXPECT_GT(askedAt[1] - askedAt[0], 20000u);
    EXPECT_EQ(window->deviceList().rowCount(), 3);
    EXPECT_EQ(library.countOf("StopSearchIPC"), 1u);
    // No ends the run: modify IP never starts.
    EXPECT_TRUE(library.modifyCalls().empty());
    EXPECT_FALSE(window->running());
}

TEST_F(SearchFlowTest, ModifyIpHandsOutAddressesAndVerifiesThem)
{
    library.addCameras(1, 3); // 127.0.1.1 .. .3; the PC is 127.0.1.100
    openWithExpected(3, {ctl::SearchTick, ctl::ModifyIpTick});

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());

    const auto calls = library.modifyCalls();
    ASSERT_EQ(calls.size(), 3u);
    // .3 is cam3's own address while cam1 and cam2 are handled.
    EXPECT_EQ(calls[0].ip, "127.0.1.4");
    EXPECT_EQ(calls[1].ip, "127.0.1.5");
    EXPECT_EQ(calls[2].ip, "127.0.1.6");
    for (const auto& call : calls) {
        EXPECT_EQ(call.gateway, "127.0.1.1");
        EXPECT_EQ(call.netmask, "255.255.0.0"); // as the device reported it
    }
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[2].index, 2);

    // The verification search lists the devices at their new addresses.
    EXPECT_EQ(column(0), (std::vector<std::u16string>{u"127.0.1.4", u"127.0.1.5", u"127.0.1.6"}));
    EXPECT_EQ(column(6), std::vector<std::u16string>(3, u"修改IP成功"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(library.countOf("StartSearchIPC"), 2u);
    EXPECT_EQ(library.countOf("StopSearchIPC"), 1u); // the verified path leaves the search on

    // Each device showed its new address while the loop went on: the waits
    // let row updates through.
    EXPECT_EQ(recorder->statuses["cam1"],
              (std::vector<std::u16string>{u"新IP:127.0.1.4", u"修改IP成功"}));
    EXPECT_EQ(recorder->statuses["cam3"],
              (std::vector<std::u16string>{u"新IP:127.0.1.6", u"修改IP成功"}));
    const auto& map = window->batchState().modifyIpMap;
    ASSERT_EQ(map.count(u"cam2"), 1u);
    EXPECT_EQ(vexlo::fieldText(map.at(u"cam2").oldIpAddress), "127.0.1.2");
    EXPECT_EQ(vexlo::fieldText(map.at(u"cam2").newIpAddress), "127.0.1.5");
}

TEST_F(SearchFlowTest, ADeviceThatDoesNotComeBackStopsTheRun)
{
    library.addCameras(1, 2);
    library.addSearchResult(Entry{"stuck", "127.0.1.30", "IPC", false, Readdress::StaysPut});
    openWithExpected(3, {ctl::SearchTick, ctl::ModifyIpTick});

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    ASSERT_TRUE(waitFor([&] { return port.pendingCount() == 0; }));

    EXPECT_EQ(boxes, std::vector<std::u16string>{u"设备IP修改失败，升级停止"});
    EXPECT_EQ(column(6),
              (std::vector<std::u16string>{u"修改IP成功", u"修改IP成功", u"修改IP失败"}));
    EXPECT_EQ(library.countOf("StopSearchIPC"), 2u);
    EXPECT_FALSE(window->running());
}

TEST_F(SearchFlowTest, ARefusedChangeShowsItAndRestoresTheRecord)
{
    library.addCameras(1, 1);
    library.addSearchResult(Entry{"refuses", "127.0.1.40", "IPC", false, Readdress::Refuses});
    openWithExpected(2, {ctl::SearchTick, ctl::ModifyIpTick});
    window->onCommand(ctl::SearchButton);
    // Search then modify IP run as a chain from the hidden button too.
    ASSERT_TRUE(waitForFinish());
    ASSERT_TRUE(waitFor([&] { return port.pendingCount() == 0; }));

    EXPECT_EQ(recorder->statuses["refuses"],
              (std::vector<std::u16string>{u"修改失败", u"修改IP失败"}));
    // It answers at its old address, which the map does not expect.
    EXPECT_EQ(column(0)[1], u"127.0.1.40");
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"设备IP修改失败，升级停止"});
}

TEST_F(SearchFlowTest, ADeviceThatVanishesLeadsToTheQuestion)
{
    library.addCameras(1, 1);
    library.addSearchResult(Entry{"gone", "127.0.1.50", "IPC", false, Readdress::Vanishes});
    openWithExpected(2, {ctl::SearchTick, ctl::ModifyIpTick});
    answer = [](const std::u16string&) { return false; };

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(questions,
              std::vector<std::u16string>{u"搜索到的IPC数量与设备升级数量不一致，是否继续搜索？"});
    EXPECT_EQ(window->deviceList().rowCount(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SearchFlowTest, StartAddressMaskAndGatewayFromTheSetIpSettings)
{
    library.addCameras(1, 3);
    vexlo::copyToField(profile->main.startAddress, "127.0.2.254");
    vexlo::copyToField(profile->main.subnetMask, "255.255.255.0");
    vexlo::copyToField(profile->main.gateway, std::string(200, '7'));
    writeProfile(directory, [&](vexlo::ConfigProfile& p) {
        p = *profile;
        p.main.useStartAddress = 1;
        p.main.expectedCountIndex = 2;
        p.main.searchTick = 1;
        p.main.modifyIpTick = 1;
    });
    answer = [](const std::u16string&) { return false; };
    open();

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    const auto calls = library.modifyCalls();
    // .254 and .255, then the range is used up: the third keeps its address.
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].ip, "127.0.2.254");
    EXPECT_EQ(calls[1].ip, "127.0.2.255");
    EXPECT_EQ(calls[0].netmask, "255.255.255.0");
    EXPECT_EQ(calls[0].gateway, std::string(127, '7')); // cut to 127 characters
    EXPECT_EQ(column(0),
              (std::vector<std::u16string>{u"127.0.2.254", u"127.0.2.255", u"127.0.1.3"}));
    EXPECT_EQ(column(6), (std::vector<std::u16string>{u"修改IP成功", u"修改IP成功", u""}));
}

TEST_F(SearchFlowTest, NoPcAddressReaddressesNothingButStillVerifies)
{
    library.addCameras(1, 2);
    pcAddress = [] { return std::optional<std::string>(); };
    openWithExpected(2, {ctl::SearchTick, ctl::ModifyIpTick});
    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_TRUE(library.modifyCalls().empty());
    EXPECT_EQ(library.countOf("StartSearchIPC"), 2u);
    EXPECT_TRUE(boxes.empty());
}

} // namespace vexlo
