#include "tests/support/event_recorder.h"
#include "tests/support/loopback_site.h"
#include "tests/support/wait.h"

#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "onvif/onvif_library.h"
#include "onvif/section_push.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

// The ONVIF device library against simulated cameras: a whole site's search,
// logins with the site's pairs, and answers in the home protocol's form.
namespace {

using namespace vexlo::ipcsim;
using namespace vexlo::onvif;
using namespace std::chrono_literals;
using vexlo::test::EventRecorder;
using vexlo::test::kDeadline;

constexpr vexlo::test::LoopbackBlock kLibraryBlock{20, 200, 224};

vexlo::test::LoopbackSite startSite(std::vector<CameraSetup> cameras)
{
    Scenario scenario;
    scenario.cameras = std::move(cameras);
    SiteOptions options;
    options.searchPort = 0;
    options.discoveryPort = 0;
    return vexlo::test::startLoopbackSite(std::move(scenario), kLibraryBlock, options);
}

CameraSetup onvifCamera(const std::string& serial)
{
    CameraSetup camera = makeCamera(serial, "");
    camera.protocol = CameraProtocol::Onvif;
    return camera;
}

TEST(OnvifLibrarySearch, TwoHundredFiftyCamerasAreListedWithinThreeSeconds)
{
    CameraSetup base = onvifCamera("");
    auto site = startSite(generateCameras(base, {250, 1, "ONV{n:3}", "127.0.0.1", ""}));
    OnvifLibraryOptions options;
    options.discoveryPort = site.site->discoveryPort();
    OnvifLibrary library(options);
    ASSERT_EQ(library.Init(), 0);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(library.StartSearchIPC(), 0) << library.searchProblem();
    vexlo::test::waitUntil([&] { return library.GetSearchIPCCount() >= 250; });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(library.GetSearchIPCCount(), 250);
    EXPECT_LE(elapsed, 3s) << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()
                           << " ms";

    const CameraSetup& first = site.scenario.cameras.front();
    _IPCINFO info{};
    bool found = false;
    for (int index = 0; index < 250 && !found; ++index) {
        ASSERT_EQ(library.GetIPCInfo(index, &info), 0);
        found = std::string(info.serialNo) == first.serial;
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(info.ipAddress), first.address);
    EXPECT_EQ(std::string(info.macAddress), first.mac);
    EXPECT_EQ(std::string(info.netmask), "255.0.0.0");
    EXPECT_EQ(std::string(info.gateway), "127.0.0.1");
    EXPECT_EQ(std::string(info.deviceType), "IPC");
    EXPECT_EQ(info.port, 8080);
    EXPECT_EQ(listedProtocol(info), ListedProtocol::Onvif);
    library.StopSearchIPC();
}

TEST(OnvifLibraryLogin, SitePairsAreTriedAndAnswersComeInTheHomeProtocolsForm)
{
    CameraSetup second = onvifCamera("SECOND");
    second.password = "second";
    CameraSetup refusing = onvifCamera("REFUSES");
    refusing.faults.loginRefused = true;
    auto site = startSite({second, refusing});

    auto store = std::make_shared<vexlo::credentials::CredentialStore>(
        vexlo::credentials::SiteCredentials{{{"admin", "first"}, {"admin", "second"}}, {}});
    OnvifLibraryOptions options;
    options.discoveryPort = site.site->discoveryPort();
    options.credentials = store;
    OnvifLibrary library(options);
    ASSERT_EQ(library.Init(), 0);
    EventRecorder delivered;
    library.SetStatusEventCallBack(&EventRecorder::onStatus, &delivered);
    library.SetAUXResponseCallBack(&EventRecorder::onAnswer, &delivered);

    // Nothing is ever sent outside loopback, nor to no port at all.
    EXPECT_EQ(library.Login("10.1.2.3", 8080, "admin", "", 0), -1);
    EXPECT_EQ(library.Login(site.scenario.cameras[0].address.c_str(), 0, "admin", "", 0), -1);

    const int taken =
        library.Login(site.scenario.cameras[0].address.c_str(), 8080, "admin", "first", 0);
    const int refused =
        library.Login(site.scenario.cameras[1].address.c_str(), 8080, "admin", "first", 0);
    ASSERT_GT(taken, 0);
    ASSERT_GT(refused, 0);
    EXPECT_TRUE(delivered.waitForStatus(taken, SDK_EVENT_LOGIN_OK, kDeadline))
        << "the second pair opens it";
    EXPECT_TRUE(delivered.waitForStatus(refused, SDK_EVENT_LOGIN_FAILED, kDeadline));

    ASSERT_EQ(library.SystemControl(taken, 1012, 0, "RESPONSE_PARAM"), 0);
    const auto version = delivered.waitForAnswer(taken, 1012, kDeadline);
    ASSERT_TRUE(version);
    EXPECT_NE(version->text.find("FileSystemVersion=\"V5.2.0\""), std::string::npos)
        << version->text;
    EXPECT_EQ(version->text.find("second"), std::string::npos) << "no password in an answer";

    // No ONVIF operation formats storage: refused, as the home protocol refuses.
    ASSERT_EQ(library.FormatDisk(taken, 0), 0);
    EXPECT_TRUE(delivered.waitForAnswer(taken, sdkRefusalOf(1017), kDeadline));
    EXPECT_EQ(library.SystemControl(refused, 1012, 0, ""), -1) << "not logged in";
}

TEST(SectionPush, PageZonesBecomePosixZones)
{
    EXPECT_EQ(posixZoneOf(20 * 60), "UTC-8"); // (GMT+08:00) Beijing
    EXPECT_EQ(posixZoneOf(12 * 60), "UTC0");
    EXPECT_EQ(posixZoneOf(0), "UTC+12");
    EXPECT_EQ(posixZoneOf(24 * 60), "UTC-12");
    EXPECT_FALSE(posixZoneOf(25 * 60));
    EXPECT_FALSE(posixZoneOf(-60));
    EXPECT_FALSE(posixZoneOf(90)) << "not on the hour";
}

} // namespace
