#include "ipcsim/scenario_json.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vexlo::ipcsim {
namespace {

bool healthy(const CameraSetup& camera)
{
    const CameraFaults& f = camera.faults;
    return !f.loginRefused && !f.loginNeverConfirmed && f.refusedCodes.empty() &&
           f.unansweredCodes.empty() && f.answerDelaySeconds.empty() && !f.uploadStallPercent &&
           !f.uploadFailPercent && !f.firmwareRefused && !f.neverBackAfterReboot &&
           !f.modifyIpRefused && !f.dropSessionAfterSeconds && camera.storage.sd1 > 0;
}

TEST(DemoSite, HoldsTwentyFourCamerasAndOneNvrWithTheUsualFaults)
{
    const Scenario site = loadScenario(VEXLO_DEMO_SITE);
    ASSERT_EQ(site.cameras.size(), 25u);
    const auto nvrs = std::count_if(site.cameras.begin(), site.cameras.end(),
                                    [](const CameraSetup& c) { return c.type == "NVR"; });
    EXPECT_EQ(nvrs, 1);

    std::vector<CameraSetup> cameras;
    std::copy_if(site.cameras.begin(), site.cameras.end(), std::back_inserter(cameras),
                 [](const CameraSetup& c) { return c.type != "NVR"; });
    const auto count = [&cameras](auto predicate) {
        return std::count_if(cameras.begin(), cameras.end(), predicate);
    };
    EXPECT_EQ(count([](const CameraSetup& c) { return c.faults.firmwareRefused; }), 1);
    EXPECT_EQ(count([](const CameraSetup& c) { return c.faults.ignores(kCodeVersion); }), 1);
    EXPECT_EQ(count([](const CameraSetup& c) { return c.storage.sd1 == 0; }), 1);
    EXPECT_GE(count(healthy), 20);
    // A mixed site: ONVIF-only cameras and one that speaks both protocols.
    EXPECT_EQ(count([](const CameraSetup& c) { return c.protocol == CameraProtocol::Onvif; }), 6);
    EXPECT_EQ(count([](const CameraSetup& c) { return c.protocol == CameraProtocol::Both; }), 1);
}

// The full example of docs/simulator.md must stay a valid scenario.
TEST(DocumentedExample, Parses)
{
    std::ifstream in(VEXLO_SIMULATOR_DOC);
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string doc = whole.str();
    const std::size_t heading = doc.find("### A full example");
    ASSERT_NE(heading, std::string::npos);
    const std::size_t open = doc.find("```json\n", heading);
    ASSERT_NE(open, std::string::npos);
    const std::size_t start = open + 8;
    const std::size_t close = doc.find("```", start);
    ASSERT_NE(close, std::string::npos);

    const Scenario site = parseScenario(doc.substr(start, close - start));
    ASSERT_EQ(site.cameras.size(), 24u);
    EXPECT_EQ(site.cameras[0].faults.answerDelay(kCodeVersion), 0.5);
    EXPECT_EQ(site.cameras[20].type, "NVR");
    EXPECT_EQ(site.cameras[21].faults.uploadStallPercent, 40);
    EXPECT_EQ(site.cameras[22].factoryAddress, "192.168.1.123");
    EXPECT_EQ(site.cameras[0].protocol, CameraProtocol::Both);
    EXPECT_EQ(site.cameras[22].protocol, CameraProtocol::Onvif);
    EXPECT_EQ(site.cameras[22].onvifPort, 8081);
    EXPECT_EQ(site.cameras[23].protocol, CameraProtocol::Vexlo);
    EXPECT_TRUE(site.cameras[23].faults.loginRefused);
    EXPECT_EQ(site.cameras[23].faults.answerDelay(kCodeVersion), 0);
}

} // namespace
} // namespace vexlo::ipcsim
