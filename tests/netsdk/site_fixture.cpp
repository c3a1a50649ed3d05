#include "site_fixture.h"

#include "platform/tick.h"

namespace vexlo::netsdk::test {

void SiteTest::SetUp()
{
    setTimeScaleForTesting(kScale);
}

void SiteTest::TearDown()
{
    m_site.reset();
    setTimeScaleForTesting(1);
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
    m_site = std::make_unique<vexlo::test::NetSdkSite>(
        std::move(scenario.cameras), vexlo::test::LoopbackBlock{20, 200, 211}, false);
    ASSERT_EQ(sdk().Init(), 0);
    sdk().SetStatusEventCallBack(&EventRecorder::onStatus, &m_events);
    sdk().SetAUXResponseCallBack(&EventRecorder::onAnswer, &m_events);
}

int SiteTest::loginTo(std::size_t index)
{
    const auto& setup = camera(index);
    const int handle = sdk().Login(setup.address.c_str(), setup.port, setup.user.c_str(),
                                   setup.password.c_str(), 0);
    if (handle <= 0 || !m_events.waitForStatus(handle, SDK_EVENT_LOGIN_OK, kWait))
        return 0;
    return handle;
}

std::vector<std::string> SiteTest::loggedBodies(const std::string& serial, const std::string& kind,
                                                std::uint32_t code) const
{
    std::vector<std::string> bodies;
    for (const auto& record : m_site->requests(serial, kind, code))
        bodies.push_back(record.body);
    return bodies;
}

} // namespace vexlo::netsdk::test
