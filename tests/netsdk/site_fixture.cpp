#include "site_fixture.h"

#include "ipcsim/address.h"
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

// Cameras get 127.A.B.C with A chosen from the process id, so test processes
// that run at the same time rarely meet; a clash shows as a bind failure and
// the next attempt moves on.
void SiteTest::assignAddresses(ipcsim::Scenario& scenario, int attempt) const
{
    const int a = 200 + static_cast<int>((::getpid() + attempt * 7) % 50);
    for (std::size_t i = 0; i < scenario.cameras.size(); ++i) {
        auto& camera = scenario.cameras[i];
        camera.address = "127." + std::to_string(a) + "." + std::to_string(i / 200 + 1) + "." +
                         std::to_string(i % 200 + 1);
        camera.mac = ipcsim::macForAddress(*ipcsim::parseIpv4(camera.address));
    }
}

void SiteTest::start(ipcsim::Scenario scenario)
{
    for (int attempt = 0;; ++attempt) {
        assignAddresses(scenario, attempt);
        ipcsim::SiteOptions options;
        options.searchPort = 0;
        options.logFile = m_dir / "requests.jsonl";
        auto site = std::make_unique<ipcsim::Site>(scenario, options);
        try {
            site->start();
        } catch (const ipcsim::SiteError&) {
            if (attempt < 5)
                continue;
            throw;
        }
        m_site = std::move(site);
        break;
    }
    m_scenario = std::move(scenario);
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
    const int handle =
        m_sdk->Login(setup.address.c_str(), setup.port, setup.user.c_str(), setup.password.c_str(), 0);
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
