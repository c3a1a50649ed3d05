#include "site_fixture.h"

#include "../support/loopback_site.h"

#include "ipcsim/request_log.h"
#include "platform/tick.h"

#include <unistd.h>

namespace vexlo::netsdk::test {

void SiteTest::SetUp()
{
    setTimeScaleForTesting(kScale);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::filesystem::temp_directory_path() / ("netsdk-" + std::to_string(::getpid()) + "-" +
                                                      info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
}

void SiteTest::TearDown()
{
    m_sdk.reset(); // first: its sessions talk to the site
    m_site.reset();
    setTimeScaleForTesting(1);
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

ipcsim::Scenario SiteTest::healthySite(int count)
{
    ipcsim::CameraSetup base = ipcsim::makeCamera("", "");
    base.rebootSeconds = 4;
    base.formatSeconds = 2;
    base.firmwareCheckSeconds = 2;
    ipcsim::Scenario scenario;
    // Addresses are assigned by start(); this block is only a valid placeholder.
    scenario.cameras = ipcsim::generateCameras(base, {count, 1, "NSD{n:4}", "127.0.0.2", ""});
    return scenario;
}

void SiteTest::start(ipcsim::Scenario scenario)
{
    ipcsim::SiteOptions siteOptions;
    siteOptions.searchPort = 0;
    siteOptions.logFile = m_dir / "requests.jsonl";
    vexlo::test::LoopbackSite started =
        vexlo::test::startLoopbackSite(std::move(scenario), {20, 200, 211}, siteOptions);
    m_site = std::move(started.site);
    m_scenario = std::move(started.scenario);
    NetSdkOptions options;
    options.searchPort = m_site->searchPort();
    m_sdk = std::make_unique<NetSdk>(options);
    ASSERT_EQ(m_sdk->Init(), 0);
    m_sdk->SetStatusEventCallBack(&EventRecorder::onStatus, &m_events);
    m_sdk->SetAUXResponseCallBack(&EventRecorder::onAnswer, &m_events);
}

int SiteTest::loginTo(std::size_t index)
{
    const auto& setup = camera(index);
    const int handle = m_sdk->Login(setup.address.c_str(), setup.port, setup.user.c_str(),
                                    setup.password.c_str(), 0);
    if (handle <= 0 || !m_events.waitForStatus(handle, SDK_EVENT_LOGIN_OK, kWait))
        return 0;
    return handle;
}

std::vector<std::string> SiteTest::loggedBodies(const std::string& serial, const std::string& kind,
                                                std::uint32_t code) const
{
    std::vector<std::string> bodies;
    for (const auto& record : ipcsim::readRequestLog(m_dir / "requests.jsonl")) {
        if (record.serial == serial && record.kind == kind && record.code == code)
            bodies.push_back(record.body);
    }
    return bodies;
}

} // namespace vexlo::netsdk::test
