#pragma once

#include "tests/support/event_recorder.h"
#include "tests/support/net_sdk_site.h"
#include "tests/support/wait.h"

#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "netsdk/net_sdk.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Each test gets its own simulated site on loopback addresses of its own, its
// own folder (request log, firmware files), a NetSdk pointed at the site's
// search port with both callbacks recorded, and time running kScale times faster.
namespace vexlo::netsdk::test {

using vexlo::test::EventRecorder;
using vexlo::test::waitUntil;

class SiteTest : public ::testing::Test
{
protected:
    static constexpr double kScale = 20;
    // The real-time safety net of every wait.
    static constexpr std::chrono::milliseconds kWait{vexlo::test::kDeadline};

    void SetUp() override;
    void TearDown() override;

    // `count` healthy cameras NSD0001... with short reboot, format and check times.
    static ipcsim::Scenario healthySite(int count);

    // Starts the site (on fresh addresses when the first choice is taken) and a
    // NetSdk for it.
    void start(ipcsim::Scenario scenario);

    ipcsim::Site& site() { return m_site->site(); }
    NetSdk& sdk() { return m_site->sdk(); }
    EventRecorder& events() { return m_events; }
    const std::filesystem::path& dir() const { return m_site->folder(); }
    const ipcsim::CameraSetup& camera(std::size_t index) const
    {
        return m_site->cameras().at(index);
    }

    // Logs in to camera `index` and waits for event 4; the handle, or 0.
    int loginTo(std::size_t index);
    // The request log lines of one kind for one camera.
    std::vector<std::string> loggedBodies(const std::string& serial, const std::string& kind,
                                          std::uint32_t code) const;

private:
    std::unique_ptr<vexlo::test::NetSdkSite> m_site;
    EventRecorder m_events;
};

} // namespace vexlo::netsdk::test
