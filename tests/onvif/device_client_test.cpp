#include "tests/support/loopback_site.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait.h"

#include "ipcsim/firmware.h"
#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "onvif/device_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

// The client end to end against simulated ONVIF cameras on a loopback block
// of this test's own: signing in, the camera's clock, a refused login and
// the firmware upload, as the device library will drive them.
namespace {

using namespace vexlo::ipcsim;
using namespace vexlo::onvif;

constexpr std::string_view kPassword = "pa55-w0rd";
constexpr vexlo::test::LoopbackBlock kClientBlock{20, 200, 223};

class DeviceClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CameraSetup base = makeCamera("", "");
        base.protocol = CameraProtocol::Onvif;
        base.password = std::string(kPassword);
        base.rebootSeconds = 0.5;
        base.firmwareCheckSeconds = 0.2;
        Scenario scenario;
        scenario.cameras = generateCameras(base, {1, 1, "ONV{n:3}", "127.0.0.1", ""});
        SiteOptions options;
        options.searchPort = 0;
        options.discoveryPort = std::nullopt;
        options.logFile = m_dir / "requests.jsonl";
        m_site = vexlo::test::startLoopbackSite(std::move(scenario), kClientBlock, options);
    }

    void TearDown() override { m_site.site.reset(); }

    std::string address() { return m_site.site->camera(0).address; }
    std::string deviceUrl() { return "http://" + address() + ":8080/onvif/device_service"; }
    DeviceClient client(std::string_view password = kPassword)
    {
        return DeviceClient(deviceUrl(), {"admin", std::string(password)});
    }

    std::vector<std::string> loggedKinds()
    {
        std::vector<std::string> kinds;
        for (const RequestRecord& record : readRequestLog(m_dir / "requests.jsonl"))
            kinds.push_back(record.kind);
        return kinds;
    }

    bool waitFor(const std::function<bool(const CameraSnapshot&)>& done)
    {
        return vexlo::test::waitUntil([&] { return done(m_site.site->camera(0)); });
    }

    vexlo::test::TempDir m_dir{"vexlo-onvif-client"};
    vexlo::test::LoopbackSite m_site;
};

TEST_F(DeviceClientTest, SignsWithUsernameTokenAndReadsTheCamera)
{
    DeviceClient camera = client();
    const auto info = camera.getDeviceInformation();
    ASSERT_TRUE(info.ok()) << info.text();
    EXPECT_EQ(info.value()->serialNumber, "ONV001");
    EXPECT_EQ(info.value()->firmwareVersion, "V5.2.0");
    EXPECT_EQ(camera.authMethod(), AuthMethod::UsernameToken);

    const auto interfaces = camera.getNetworkInterfaces();
    ASSERT_TRUE(interfaces.ok()) << interfaces.text();
    ASSERT_FALSE(interfaces.value()->empty());
    EXPECT_EQ(currentIPv4(interfaces.value()->front()).value_or(PrefixedAddress{}).address,
              address());
    const auto gateways = camera.getNetworkDefaultGateway();
    ASSERT_TRUE(gateways.ok()) << gateways.text();
    EXPECT_EQ(*gateways.value(), std::vector<std::string>{"127.0.0.1"});

    // The media service, found through the capabilities, gives the stream.
    const auto profiles = camera.getProfiles();
    ASSERT_TRUE(profiles.ok()) << profiles.text();
    ASSERT_FALSE(profiles.value()->empty());
    const auto stream = camera.getStreamUri(profiles.value()->front().token);
    ASSERT_TRUE(stream.ok()) << stream.text();
    EXPECT_EQ(stream.value()->uri, "rtsp://" + address() + ":8554/main");

    // Many threads at once on one client: each token is fresh, none is a replay.
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i)
                answered += camera.getDeviceInformation().ok();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(answered.load(), 30);

    // The clock was read once, without credentials, before the first signed call.
    const auto kinds = loggedKinds();
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds[0], "GetSystemDateAndTime");
    EXPECT_EQ(kinds[1], "GetDeviceInformation");
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "GetSystemDateAndTime"), 1);
}

TEST_F(DeviceClientTest, CameraClockHoursOffStillTakesTheToken)
{
    using namespace std::chrono;
    DeviceClient early = client();
    ASSERT_TRUE(early.getDeviceInformation().ok());
    EXPECT_EQ(early.authMethod(), AuthMethod::UsernameToken);

    DeviceClient setter = client();
    const auto behind = floor<seconds>(system_clock::now()) - hours(5);
    const auto set = setter.setSystemDateAndTime(behind);
    ASSERT_TRUE(set.ok()) << set.text();
    const auto time = setter.getSystemDateAndTime();
    ASSERT_TRUE(time.ok() && time.value()->utc) << time.text();
    EXPECT_LT(abs(*time.value()->utc - behind), minutes(1));

    // Whoever signs with its own clock is refused the token (the camera
    // allows minutes, not hours) and would end up on Digest. The client that
    // set the clock signs with the new time at once, one that knew the old
    // time reads the clock again, a new one measures it.
    DeviceClient fresh = client();
    for (DeviceClient* camera : {&setter, &early, &fresh}) {
        SCOPED_TRACE(camera == &setter ? "setter" : camera == &early ? "early" : "fresh");
        const auto info = camera->getDeviceInformation();
        ASSERT_TRUE(info.ok()) << info.text();
        EXPECT_EQ(camera->authMethod(), AuthMethod::UsernameToken);
        ASSERT_TRUE(camera->clockOffset());
        EXPECT_LT(abs(*camera->clockOffset() + hours(5)), minutes(1));
    }
}

TEST_F(DeviceClientTest, WrongPasswordIsLoginRefusedWithoutThePassword)
{
    const std::string wrong = "n0t-the-0ne";
    DeviceClient camera = client(wrong);
    const auto info = camera.getDeviceInformation();
    ASSERT_TRUE(info.refusal()) << info.text();
    EXPECT_TRUE(info.loginRefused());
    EXPECT_FALSE(info.lockout());
    EXPECT_EQ(info.text(), "login refused");
    EXPECT_EQ(camera.authMethod(), AuthMethod::Unknown);
    // Both ways were tried: the token, then Digest (challenged, then signed).
    const auto kinds = loggedKinds();
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "GetDeviceInformation"), 3);

    // The camera keeps working for the right password.
    EXPECT_TRUE(client().getDeviceInformation().ok());
}

TEST_F(DeviceClientTest, FirmwareUploadReportsProgressAndInstalls)
{
    const std::filesystem::path image = m_dir / "V6.0.1.bin";
    {
        std::ofstream out(image, std::ios::binary);
        out << makeFirmwareImage("V6.0.1", 3 * 1024 * 1024 + 17);
    }
    const std::uint64_t size = std::filesystem::file_size(image);
    DeviceClient camera = client();

    // Cancelled part way: the upload ends at once and says so.
    auto start = camera.startFirmwareUpgrade();
    ASSERT_TRUE(start.ok()) << start.text();
    std::stop_source stop;
    const auto cancelled = camera.uploadFirmware(
        start.value()->uploadUri, image,
        [&](std::uint64_t sent, std::uint64_t) {
            if (sent > 0)
                stop.request_stop();
        },
        stop.get_token());
    ASSERT_TRUE(cancelled.transportError()) << cancelled.text();
    EXPECT_EQ(cancelled.transportError()->kind, TransportErrorKind::Cancelled);
    EXPECT_EQ(m_site.site->camera(0).version, "V5.2.0");

    start = camera.startFirmwareUpgrade();
    ASSERT_TRUE(start.ok()) << start.text();
    EXPECT_EQ(start.value()->uploadUri, "http://" + address() + ":8080/onvif/firmware");
    std::vector<std::uint64_t> reports;
    const auto uploaded = camera.uploadFirmware(start.value()->uploadUri, image,
                                                [&](std::uint64_t sent, std::uint64_t total) {
                                                    EXPECT_EQ(total, size);
                                                    reports.push_back(sent);
                                                });
    ASSERT_TRUE(uploaded.ok()) << uploaded.text();
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_EQ(reports.back(), size);

    ASSERT_TRUE(waitFor([](const CameraSnapshot& s) { return s.version == "V6.0.1"; }));
    ASSERT_TRUE(waitFor(
        [](const CameraSnapshot& s) { return s.state == CameraState::Up && s.onvifListening; }));
    const auto info = client().getDeviceInformation();
    ASSERT_TRUE(info.ok()) << info.text();
    EXPECT_EQ(info.value()->firmwareVersion, "V6.0.1");
}

} // namespace
