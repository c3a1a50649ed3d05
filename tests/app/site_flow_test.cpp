// Search and modify IP against the camera simulator, through the device
// library over loopback sockets.
#include "main_window_fixture.h"
#include "tests/support/net_sdk_site.h"

#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "engine/device_record.h"
#include "ipcsim/scenario.h"
#include "platform/codepage.h"
#include "platform/tick.h"

#include <set>

namespace vexlo {

namespace {

class SiteFlowTest : public MainWindowTest
{
protected:
    static constexpr double kSiteTimeScale = 20;

    void SetUp() override { vexlo::setTimeScaleForTesting(kSiteTimeScale); }

    void TearDown() override
    {
        // The window first (it unregisters its callbacks), then the library,
        // whose sessions talk to the site.
        if (window)
            window->onClose();
        window.reset();
        m_site.reset();
    }

    // Cameras on 127.A.213.n of a block of their own. The PC address is
    // 127.A.213.100, so modify IP stays on loopback.
    void startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras)
    {
        m_site = std::make_unique<vexlo::test::NetSdkSite>(
            std::move(cameras), vexlo::test::LoopbackBlock{20, 200, 213});
        setenv("VEXLO_HOST_ADDRESS", address(100).c_str(), 1);
    }

    std::string address(int host) const { return m_site->address(host); }
    std::u16string wideAddress(int host) const { return vexlo::utf8ToUtf16(address(host)); }

    static std::vector<vexlo::ipcsim::CameraSetup> cameras(int count)
    {
        std::vector<vexlo::ipcsim::CameraSetup> cameraList;
        for (int n = 1; n <= count; ++n) {
            char serial[16];
            std::snprintf(serial, sizeof serial, "SIM%04d", n);
            auto camera = vexlo::ipcsim::makeCamera(serial, "127.0.0.2");
            camera.rebootSeconds = 2;
            cameraList.push_back(camera);
        }
        return cameraList;
    }

    std::unique_ptr<vexlo::test::NetSdkSite> m_site;
};

} // namespace

TEST_F(SiteFlowTest, SearchStopsAtTheExpectedCountWithoutRecordersOrRepeats)
{
    auto cameraList = cameras(32);
    cameraList[1].type = "NVR";
    cameraList[9].type = "NVR";
    startSite(cameraList);
    open();
    tickOnly({ctl::SearchTick});
    ASSERT_EQ(window->expectedDeviceCount(), 24);

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_TRUE(questions.empty());

    const auto serials = column(2);
    ASSERT_EQ(serials.size(), 24u);
    EXPECT_EQ(std::set<std::u16string>(serials.begin(), serials.end()).size(), 24u);
    EXPECT_EQ(column(3), std::vector<std::u16string>(24, u"IPC"));
    for (const auto& serial : serials)
        EXPECT_NE(serial, u"SIM0002");
    EXPECT_EQ(text(ctl::TotalCount), u"24");
    EXPECT_EQ(window->tickedCount(), 24);
}

TEST_F(SiteFlowTest, ModifyIpMovesTheCamerasAndVerifiesThem)
{
    startSite(cameras(3));
    open();
    tickOnly({ctl::SearchTick, ctl::ModifyIpTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 2);

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    ASSERT_TRUE(waitFor([&] { return port.pendingCount() == 0; }));
    EXPECT_TRUE(boxes.empty()) << vexlo::utf16ToUtf8(boxes.empty() ? u"" : boxes[0]);

    std::set<std::u16string> listed;
    for (const auto& shown : column(0))
        listed.insert(shown);
    // Numbers are handed out from 3 in list order, skipping what a row shows.
    // The camera at .3 frees its address when it moves, so a row after it
    // gets .3: which set it is depends on the order the answers came in.
    const std::set<std::u16string> fromFour{wideAddress(4), wideAddress(5), wideAddress(6)};
    const std::set<std::u16string> fromThree{wideAddress(3), wideAddress(4), wideAddress(5)};
    EXPECT_TRUE(listed == fromFour || listed == fromThree) << vexlo::utf16ToUtf8(column(0)[0]);
    EXPECT_EQ(listed.size(), 3u) << "no two cameras share an address";
    EXPECT_EQ(column(6), std::vector<std::u16string>(3, u"修改IP成功"));
    // The addresses follow the list's order, which is the order the search
    // answers came in: every camera is where its row says.
    const auto serials = column(2);
    const auto shown = column(0);
    for (std::size_t row = 0; row < serials.size(); ++row) {
        EXPECT_EQ(m_site->site().camera(vexlo::utf16ToUtf8(serials[row])).address,
                  vexlo::utf16ToUtf8(shown[row]))
            << vexlo::utf16ToUtf8(serials[row]);
        const int startedAt = std::stoi(vexlo::utf16ToUtf8(serials[row]).substr(3));
        EXPECT_NE(vexlo::utf16ToUtf8(shown[row]), address(startedAt)) << "every camera moved";
    }
}

TEST_F(SiteFlowTest, ACameraThatIgnoresTheChangeStopsTheRun)
{
    auto cameraList = cameras(2);
    cameraList[1].faults.modifyIpRefused = true;
    startSite(cameraList);
    open();
    tickOnly({ctl::SearchTick, ctl::ModifyIpTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 1);

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    ASSERT_TRUE(waitFor([&] { return port.pendingCount() == 0; }));
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"设备IP修改失败，升级停止"});
    for (int row = 0; row < window->deviceList().rowCount(); ++row) {
        const auto serial = window->deviceList().cellText(row, 2);
        EXPECT_EQ(window->deviceList().cellText(row, 6),
                  serial == u"SIM0002" ? u"修改IP失败" : u"修改IP成功")
            << vexlo::utf16ToUtf8(serial);
    }
}

} // namespace vexlo
