#include "apply_test_support.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "profile/apply_config.h"
#include "profile/config_sections.h"
#include "sdk/backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unistd.h>

// The whole push as a site sees it: the real apply threads, the network
// device library and simulated cameras on loopback addresses, at a high time
// scale. The cameras' request log shows the exact bytes each one received.
namespace {

using namespace std::chrono_literals;

class ApplySiteTest : public ::testing::Test
{
protected:
    static constexpr double kTimeScale = 20.0;

    void SetUp() override
    {
        vexlo::setTimeScaleForTesting(kTimeScale);
        m_dir = std::filesystem::temp_directory_path() /
                ("apply-site-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        state.ui = &ui;
    }

    void TearDown() override
    {
        EXPECT_TRUE(controller.stopAll(5s));
        // The library's threads deliver the callbacks: end them before the
        // list they search is emptied and the records go.
        vexlo::sdk::installDeviceLibrary(m_previous);
        m_sdk.reset();
        {
            vexlo::CriticalSectionLock lock(state.applyListLock);
            state.applyList.clear();
        }
        if (m_site)
            m_site->stop();
        state.ui = nullptr;
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    // Starts the cameras (on other addresses when the first are taken) and the
    // library, and lists one record per camera.
    void startSite(std::vector<vexlo::ipcsim::CameraSpec> cameras)
    {
        for (int attempt = 0;; ++attempt) {
            const int block = 100 + static_cast<int>((::getpid() + attempt * 7) % 50);
            for (std::size_t i = 0; i < cameras.size(); ++i) {
                cameras[i].address =
                    "127." + std::to_string(block) + ".77." + std::to_string(i + 1);
                cameras[i].mac = "02:00:00:77:00:0" + std::to_string(i + 1);
            }
            vexlo::ipcsim::Scenario scenario;
            scenario.cameras = cameras;
            vexlo::ipcsim::SiteOptions options;
            options.searchPort = 0;
            options.logFile = m_dir / "requests.jsonl";
            auto site = std::make_unique<vexlo::ipcsim::Site>(scenario, options);
            try {
                site->start();
            } catch (const vexlo::ipcsim::SiteError&) {
                if (attempt < 5)
                    continue;
                throw;
            }
            m_site = std::move(site);
            break;
        }
        vexlo::netsdk::NetSdkOptions options;
        options.searchPort = m_site->searchPort();
        m_sdk = std::make_unique<vexlo::netsdk::NetSdk>(options);
        m_previous = vexlo::sdk::installDeviceLibrary(m_sdk.get());
        ASSERT_EQ(IP_NET_DVR_Init(), 0);
        registerSdkCallbacks(state);

        for (const auto& camera : cameras) {
            auto record = std::make_unique<_DEVICERECORD>();
            vexlo::copyToField(record->serialNo, camera.serial);
            vexlo::copyToField(record->ipAddress, camera.address);
            vexlo::copyToField(record->userName, camera.user);
            vexlo::copyToField(record->password, camera.password);
            record->port = camera.port;
            records.push_back(std::move(record));
        }
    }

    std::vector<_DEVICERECORD*> allRecords() const
    {
        std::vector<_DEVICERECORD*> all;
        for (const auto& record : records)
            all.push_back(record.get());
        return all;
    }

    // The configuration requests one camera received, in arrival order.
    std::vector<vexlo::ipcsim::RequestRecord> configRequests(const std::string& serial) const
    {
        std::vector<vexlo::ipcsim::RequestRecord> selected;
        for (auto& request : vexlo::ipcsim::readRequestLog(m_dir / "requests.jsonl")) {
            if (request.serial == serial && request.kind == vexlo::ipcsim::request_kind::kSetConfig)
                selected.push_back(std::move(request));
        }
        return selected;
    }

    BatchState state;
    RecordingUiPort ui;
    std::unique_ptr<vexlo::ConfigProfile> profile = std::make_unique<vexlo::ConfigProfile>();
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    vexlo::ApplyConfigController controller{state};

private:
    std::filesystem::path m_dir;
    std::unique_ptr<vexlo::ipcsim::Site> m_site;
    std::unique_ptr<vexlo::netsdk::NetSdk> m_sdk;
    vexlo::sdk::DeviceLibrary* m_previous = nullptr;
};

TEST_F(ApplySiteTest, TwoCamerasReceiveTheEnabledSectionsWithEthernetLast)
{
    auto healthy = vexlo::ipcsim::makeCamera("APL0001", "");
    auto refusing = vexlo::ipcsim::makeCamera("APL0002", "");
    // The second camera refuses the cloud section after two and a half seconds.
    refusing.faults.refusedCodes = {335};
    refusing.faults.answerDelaySeconds[335] = 2.5;
    startSite({healthy, refusing});

    profile->cloud.enabled = 1;
    profile->cloud.cloudLogin = 1;
    profile->audioEncode.enabled = 1;
    profile->lan.enabled = 1;
    vexlo::copyToField(profile->lan.ipAddress, "127.0.0.99");
    vexlo::copyToField(profile->lan.dns1, "a&b<c>");
    ASSERT_EQ(controller.startApplyConfig(allRecords(), *profile, this), 2u);
    ASSERT_TRUE(ui.waitFor([&] { return ui.count(WM_APPLY_DONE) == 2; }, 120s));
    EXPECT_TRUE(vexlo::applyStepFinished(state));

    const auto sections = vexlo::configSections();
    auto bodyOf = [&](int code) {
        for (const vexlo::ConfigSection& section : sections)
            if (section.replyCode == code)
                return vexlo::sectionRequestText(section, *profile);
        return std::string();
    };

    // The healthy camera: logged in, three sections, Ethernet last, exact bytes.
    const auto first = configRequests("APL0001");
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].code, 335u);
    EXPECT_EQ(first[1].code, 522u);
    EXPECT_EQ(first[2].code, 325u);
    for (const auto& request : first)
        EXPECT_EQ(request.body, bodyOf(static_cast<int>(request.code))) << request.code;
    EXPECT_EQ(first[2].body, "<LANConfig IPAddress=\"127.0.0.99\" Netmask=\"\" Gateway=\"\" "
                             "DNS1=\"a&amp;b&lt;c&gt;\" DNS2=\"\" />");
    const auto firstTexts = textsOf(ui.rowTexts(records[0].get()));
    ASSERT_FALSE(firstTexts.empty());
    EXPECT_EQ(firstTexts.front(), u"登录设备");
    EXPECT_NE(std::find(firstTexts.begin(), firstTexts.end(), u"登录设备成功"), firstTexts.end());
    EXPECT_NE(std::find(firstTexts.begin(), firstTexts.end(), u"设置音频编码完成,进程重启...20s"),
              firstTexts.end());
    EXPECT_EQ(firstTexts.back(), u"设置以太网成功");

    // The refusing camera: the cloud section twice, each time refused after
    // its third waiting second, then the other sections all the same.
    const auto second = configRequests("APL0002");
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[0].code, 335u);
    EXPECT_EQ(second[1].code, 335u);
    EXPECT_EQ(second[1].body, second[0].body);
    EXPECT_EQ(second[2].code, 522u);
    EXPECT_EQ(second[3].code, 325u);
    const auto secondTexts = textsOf(ui.rowTexts(records[1].get()));
    EXPECT_EQ(std::count(secondTexts.begin(), secondTexts.end(), u"设置云平台失败"), 2);
    const auto refusal = std::find(secondTexts.begin(), secondTexts.end(), u"设置云平台失败");
    ASSERT_NE(refusal, secondTexts.begin());
    EXPECT_EQ(*(refusal - 1), u"设置云平台...3s");
    EXPECT_EQ(secondTexts.back(), u"设置以太网成功");
    EXPECT_EQ(ui.count(WM_APPLY_DONE), 2u);
}

} // namespace
