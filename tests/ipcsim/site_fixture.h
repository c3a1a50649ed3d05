#pragma once

#include "sim_client.h"
#include "tests/support/temp_dir.h"

#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "platform/tick.h"
#include "protocol/command_codes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>

// Each test gets its own site on loopback addresses no other test of this
// process uses, its own folder for the request log, and time running 50 times
// faster.
class SiteTest : public ::testing::Test
{
protected:
    static constexpr double kScale = 50;

    void SetUp() override { vexlo::setTimeScaleForTesting(kScale); }
    void TearDown() override
    {
        m_site.reset();
        vexlo::setTimeScaleForTesting(1);
    }

    // A fresh 127.a.b.1 for the first camera of the next site.
    static std::string freshBase()
    {
        static int block = 0;
        ++block;
        const int a = 20 + static_cast<int>(getpid() % 200);
        return "127." + std::to_string(a) + "." + std::to_string(block % 250 + 1) + ".1";
    }

    // `count` healthy cameras SIM0001... with short times.
    static vexlo::ipcsim::Scenario healthySite(int count)
    {
        using namespace vexlo::ipcsim;
        CameraSetup base = makeCamera("", "");
        base.rebootSeconds = 10;
        base.formatSeconds = 10;
        base.firmwareCheckSeconds = 5;
        Scenario scenario;
        scenario.cameras = generateCameras(base, {count, 1, "SIM{n:4}", freshBase(), ""});
        return scenario;
    }

    vexlo::ipcsim::Site& start(vexlo::ipcsim::Scenario scenario)
    {
        vexlo::ipcsim::SiteOptions options;
        options.searchPort = 0;
        options.logFile = m_dir / "requests.jsonl";
        m_site = std::make_unique<vexlo::ipcsim::Site>(std::move(scenario), options);
        m_site->start();
        return *m_site;
    }

    // A session on camera `index`, logged in with its own credentials.
    std::unique_ptr<simtest::TestSession> loggedIn(std::size_t index)
    {
        const auto& setup = m_site->setup(index);
        auto session = std::make_unique<simtest::TestSession>();
        EXPECT_TRUE(session->connect(m_site->camera(index).address, setup.port));
        EXPECT_EQ(session->login(setup.user, setup.password),
                  vexlo::protocol::LoginStatus::Accepted);
        return session;
    }

    std::vector<vexlo::ipcsim::RequestRecord> logRecords() const
    {
        return vexlo::ipcsim::readRequestLog(m_dir / "requests.jsonl");
    }

    std::uint16_t port() const { return m_site->searchPort(); }

    // Real time that `seconds` of scenario time take in these tests.
    static simtest::Millis scaled(double seconds)
    {
        return simtest::Millis(static_cast<long>(seconds * 1000 / kScale));
    }

    vexlo::test::TempDir m_dir;
    std::unique_ptr<vexlo::ipcsim::Site> m_site;
};
