// Whole instruction sequences through the device library, over loopback
// sockets, against in-process simulated cameras.
#include "main_window_fixture.h"
#include "tests/support/net_sdk_site.h"

#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "ipcsim/firmware.h"
#include "ipcsim/scenario.h"
#include "platform/codepage.h"
#include "platform/tick.h"

namespace vexlo {

namespace sim = vexlo::ipcsim;
using Texts = std::vector<std::u16string>;

namespace {

class DriverSiteTest : public MainWindowTest
{
protected:
    // The device library's connect and login deadlines shrink with the clock
    // too; at this scale a login has half a second of real time, which a
    // loaded machine under a sanitizer needs.
    static constexpr double kSiteTimeScale = 20;

    void SetUp() override { vexlo::setTimeScaleForTesting(kSiteTimeScale); }

    void TearDown() override
    {
        if (window)
            window->onClose();
        window.reset();
        m_site.reset();
    }

    static std::vector<sim::CameraSetup> cameras(int count)
    {
        std::vector<sim::CameraSetup> list;
        for (int n = 1; n <= count; ++n) {
            auto camera = sim::makeCamera("DRV000" + std::to_string(n), "127.0.0.2");
            camera.rebootSeconds = 3;
            camera.formatSeconds = 2;
            camera.firmwareCheckSeconds = 3;
            list.push_back(camera);
        }
        return list;
    }

    // Cameras on 127.A.212.n of a block of their own.
    void startSite(std::vector<sim::CameraSetup> list)
    {
        m_site = std::make_unique<vexlo::test::NetSdkSite>(
            std::move(list), vexlo::test::LoopbackBlock{20, 200, 212});
    }

    void openWith(int expected, std::initializer_list<int> ticks)
    {
        open();
        tickOnly(ticks);
        window->model().userSelect(ctl::ExpectedCountCombo, expected - 1);
    }

    std::unique_ptr<vexlo::test::NetSdkSite> m_site;
};

} // namespace

TEST_F(DriverSiteTest, SearchAndUpgradeOfThreeWithoutFailuresShowNoBox)
{
    startSite(cameras(3));
    const auto firmware = directory / "v6.bin";
    sim::makeFirmwareFile(firmware, "V6.0.0", 64 * 1024);
    openWith(3, {ctl::SearchTick, ctl::UpgradeTick});
    window->model().userEditText(ctl::FirmwarePath, vexlo::utf8ToUtf16(firmware.string()));

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(column(5), Texts(3, u"V6.0.0"));
    EXPECT_EQ(column(6), Texts(3, u"升级成功"));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(window->deviceList().cell(row, 5)->textColour, vexlo::rgb(0, 200, 0));
    EXPECT_EQ(text(ctl::SuccessCount), u"3");
    EXPECT_EQ(text(ctl::FailureCount), u"0");
    EXPECT_EQ(window->failedSinceExecute(), 0);
    EXPECT_TRUE(window->model().enabled(ctl::ExecuteButton));
}

TEST_F(DriverSiteTest, FormatFailureAskedThenTheRebootRuns)
{
    auto list = cameras(2);
    list[1].storage.sd1 = 0; // no card: not mounted
    startSite(list);
    openWith(2, {ctl::SearchTick, ctl::FormatSd1Tick, ctl::RebootTick});

    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(questions, Texts{u"SD1 格式化完成, 总共:2，成功:1 失败:1。是否继续操作？"});
    EXPECT_TRUE(boxes.empty()) << vexlo::utf16ToUtf8(boxes.empty() ? u"" : boxes[0]);
    EXPECT_EQ(column(6), Texts(2, u"重启设备成功"));
    EXPECT_EQ(window->failedSinceExecute(), 1);
}

} // namespace vexlo
