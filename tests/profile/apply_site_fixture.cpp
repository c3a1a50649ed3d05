#include "apply_site_fixture.h"

#include "../support/loopback_site.h"

#include "engine/sdk_callbacks.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "profile/config_sections.h"
#include "sdk/backend.h"
#include "sdk/netsdk.h"

#include <thread>
#include <unistd.h>

namespace vexlo {

using namespace std::chrono_literals;

ApplySiteTest::ApplySiteTest() = default;
ApplySiteTest::~ApplySiteTest() = default;

void ApplySiteTest::SetUp()
{
    vexlo::setTimeScaleForTesting(kTimeScale);
    m_dir = std::filesystem::temp_directory_path() /
            ("apply-site-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    state.ui = &ui;
}

void ApplySiteTest::TearDown()
{
    EXPECT_TRUE(controller.stopAll(5s));
    // The library's threads deliver the callbacks: end them before the list
    // they search is emptied and the records go.
    vexlo::sdk::installDeviceLibrary(m_previous);
    m_sdk.reset();
    state.applyList.clear();
    if (m_site)
        m_site->stop();
    state.ui = nullptr;
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

void ApplySiteTest::startSite(std::vector<vexlo::ipcsim::CameraSetup> cameras)
{
    vexlo::ipcsim::Scenario scenario;
    scenario.cameras = std::move(cameras);
    vexlo::ipcsim::SiteOptions siteOptions;
    siteOptions.searchPort = 0;
    siteOptions.logFile = m_dir / "requests.jsonl";
    vexlo::test::LoopbackSite started =
        vexlo::test::startLoopbackSite(std::move(scenario), {20, 200, 214}, siteOptions);
    m_site = std::move(started.site);
    cameras = std::move(started.scenario.cameras);

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

std::vector<_DEVICERECORD*> ApplySiteTest::allRecords() const
{
    std::vector<_DEVICERECORD*> all;
    for (const auto& record : records)
        all.push_back(record.get());
    return all;
}

std::vector<vexlo::ipcsim::RequestRecord>
ApplySiteTest::allRequestsOf(const std::string& serial) const
{
    std::vector<vexlo::ipcsim::RequestRecord> selected;
    for (auto& request : vexlo::ipcsim::readRequestLog(m_dir / "requests.jsonl")) {
        if (request.serial == serial)
            selected.push_back(std::move(request));
    }
    return selected;
}

std::vector<vexlo::ipcsim::RequestRecord> ApplySiteTest::requestsOf(const std::string& serial,
                                                                    std::string_view kind) const
{
    std::vector<vexlo::ipcsim::RequestRecord> selected;
    for (auto& request : allRequestsOf(serial)) {
        if (request.kind == kind)
            selected.push_back(std::move(request));
    }
    return selected;
}

std::vector<vexlo::ipcsim::RequestRecord>
ApplySiteTest::configRequests(const std::string& serial) const
{
    return requestsOf(serial, vexlo::ipcsim::request_kind::kSetConfig);
}

int ApplySiteTest::logInBeforehand(_DEVICERECORD& record, std::chrono::milliseconds limit)
{
    const std::string ip(vexlo::fieldText(record.ipAddress));
    const std::string user(vexlo::fieldText(record.userName));
    const std::string password(vexlo::fieldText(record.password));
    const int handle = IP_NET_DVR_Login(ip.c_str(), record.port, user.c_str(), password.c_str(), 0);
    if (handle <= 0)
        return 0;
    // The record is in no list yet, so the callback keeps the answer for us.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const int result = state.claimLoginResult(handle);
        if (result == 1)
            break;
        if (result != 0 || std::chrono::steady_clock::now() >= deadline)
            return 0;
        std::this_thread::sleep_for(2ms);
    }
    record.loginHandle = handle;
    record.loginState = 1;
    return handle;
}

std::string ApplySiteTest::bodyOf(int code) const
{
    for (const vexlo::ConfigSection& section : vexlo::configSections())
        if (section.replyCode == code)
            return vexlo::sectionRequestText(section, *profile);
    return {};
}

} // namespace vexlo
