#include "../sim_client.h"
#include "http_test_client.h"
#include "tests/support/loopback_site.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait.h"

#include "ipcsim/firmware.h"
#include "ipcsim/request_log.h"
#include "ipcsim/scenario.h"
#include "ipcsim/site.h"
#include "onvif/discovery_messages.h"
#include "onvif/http_digest.h"
#include "onvif/soap.h"
#include "onvif/soap_fault.h"
#include "onvif/ws_security.h"
#include "onvif/xml_reader.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <unistd.h>

// Simulated cameras with an ONVIF face, driven over loopback by a small
// blocking SOAP client built on the codec, as an ONVIF client would drive
// them: sign-in rules, the device operations and their effect on the camera.
namespace {

using namespace vexlo::ipcsim;
using vexlo::ipcsim::onvif::test::ClientResponse;
using vexlo::ipcsim::onvif::test::TestClient;
namespace codec = vexlo::onvif;

constexpr std::string_view kDeviceNs = "http://www.onvif.org/ver10/device/wsdl";
constexpr std::string_view kDevicePath = "/onvif/device_service";
constexpr std::string_view kPassword = "pa55-word";
constexpr vexlo::test::LoopbackBlock kFaceBlock{20, 200, 217};

std::string operation(std::string_view name, std::string_view inner = {})
{
    return "<tds:" + std::string(name) + " xmlns:tds=\"" + std::string(kDeviceNs) +
           "\" xmlns:tt=\"http://www.onvif.org/ver10/schema\">" + std::string(inner) +
           "</tds:" + std::string(name) + ">";
}

// The local-name path's text in a SOAP reply; empty when it is not there.
std::string field(const std::string& reply, std::initializer_list<std::string_view> path)
{
    const auto message = codec::parseEnvelope(reply);
    if (!message) {
        return {};
    }
    return codec::text(codec::find(message->body, path));
}

struct RtspReply
{
    int status = 0;
    std::string head;
    std::string body;
};

// One RTSP request on `socket` and its reply; nothing when the deadline passes.
std::optional<RtspReply> rtspExchange(asio::ip::tcp::socket& socket, const std::string& request)
{
    asio::error_code error;
    asio::write(socket, asio::buffer(request), error);
    if (error) {
        return std::nullopt;
    }
    std::string received;
    const auto end = std::chrono::steady_clock::now() + vexlo::test::kDeadline;
    const auto complete = [&received]() -> std::optional<RtspReply> {
        const std::size_t headEnd = received.find("\r\n\r\n");
        if (headEnd == std::string::npos || received.compare(0, 9, "RTSP/1.0 ") != 0) {
            return std::nullopt;
        }
        RtspReply reply;
        reply.head = received.substr(0, headEnd);
        reply.status = std::stoi(received.substr(9, 3));
        std::size_t length = 0;
        if (const auto at = reply.head.find("Content-Length: "); at != std::string::npos) {
            length = std::stoul(reply.head.substr(at + 16));
        }
        if (received.size() < headEnd + 4 + length) {
            return std::nullopt;
        }
        reply.body = received.substr(headEnd + 4, length);
        return reply;
    };
    while (std::chrono::steady_clock::now() < end) {
        if (auto reply = complete()) {
            return reply;
        }
        pollfd fd{socket.native_handle(), POLLIN, 0};
        if (::poll(&fd, 1, 100) <= 0) {
            continue;
        }
        char buffer[4096];
        const std::size_t size = socket.read_some(asio::buffer(buffer), error);
        if (error) {
            return std::nullopt;
        }
        received.append(buffer, size);
    }
    return std::nullopt;
}

std::string describe(const std::string& uri, int cseq, const std::string& authorization = {})
{
    return "DESCRIBE " + uri + " RTSP/1.0\r\nCSeq: " + std::to_string(cseq) +
           "\r\nAccept: application/sdp\r\n" +
           (authorization.empty() ? "" : "Authorization: " + authorization + "\r\n") + "\r\n";
}

class FaceTest : public ::testing::Test
{
protected:
    void SetUp() override { vexlo::setTimeScaleForTesting(50); }

    void TearDown() override
    {
        m_site.site.reset();
        vexlo::setTimeScaleForTesting(1);
    }

    // Camera 0 speaks only ONVIF, camera 1 both protocols.
    void startSite(const std::function<void(std::vector<CameraSetup>&)>& adjust = {})
    {
        CameraSetup base = makeCamera("", "");
        base.protocol = CameraProtocol::Onvif;
        base.password = std::string(kPassword);
        base.rebootSeconds = 10;
        base.firmwareCheckSeconds = 2;
        Scenario scenario;
        scenario.cameras = generateCameras(base, {2, 1, "ONV{n:3}", "127.0.0.1", ""});
        scenario.cameras[1].protocol = CameraProtocol::Both;
        if (adjust) {
            adjust(scenario.cameras);
        }
        SiteOptions options;
        options.searchPort = 0;
        options.discoveryPort = 0;
        options.logFile = m_dir / "requests.jsonl";
        m_site = vexlo::test::startLoopbackSite(std::move(scenario), kFaceBlock, options);
    }

    Site& site() { return *m_site.site; }
    std::string address(std::size_t camera) { return site().camera(camera).address; }

    std::optional<ClientResponse> send(const std::string& address, const std::string& request,
                                       std::uint16_t port = kDefaultOnvifPort)
    {
        TestClient client(asio::ip::tcp::endpoint(asio::ip::make_address_v4(address), port));
        if (!client.connected() || !client.send(request)) {
            return std::nullopt;
        }
        return client.readResponse();
    }

    std::optional<ClientResponse> soap(const std::string& address, const std::string& payload,
                                       std::span<const std::string> header = {},
                                       std::string_view extraHeaders = {})
    {
        const std::string envelope = codec::buildEnvelope(payload, header);
        return send(address,
                    vexlo::ipcsim::onvif::test::post(kDevicePath, envelope,
                                                     "Content-Type: application/soap+xml\r\n" +
                                                         std::string(extraHeaders)));
    }

    // Signed with a fresh UsernameToken for `password`.
    std::optional<ClientResponse> signedSoap(const std::string& address, const std::string& payload,
                                             std::string_view password = kPassword)
    {
        const auto token =
            codec::buildSecurityHeader("admin", password, std::chrono::system_clock::now());
        EXPECT_TRUE(token);
        return soap(address, payload, std::span(&*token, 1));
    }

    static bool isFault(const std::optional<ClientResponse>& reply, int status,
                        std::string_view subcode)
    {
        if (!reply || reply->status != status) {
            return false;
        }
        const auto fault = codec::parseFault(reply->body);
        return fault && fault->mentions(subcode);
    }

    // Polls the camera's snapshot; the deadline is only a safety net.
    bool waitFor(std::size_t camera, const std::function<bool(const CameraSnapshot&)>& done)
    {
        return vexlo::test::waitUntil([&] { return done(site().camera(camera)); });
    }

    bool waitForReboot(std::size_t camera)
    {
        return waitFor(camera,
                       [](const CameraSnapshot& s) { return s.state != CameraState::Up; }) &&
               waitFor(camera, [](const CameraSnapshot& s) {
                   return s.state == CameraState::Up && s.onvifListening;
               });
    }

    std::vector<RequestRecord> logRecords() { return readRequestLog(m_dir / "requests.jsonl"); }

    vexlo::test::TempDir m_dir{"vexlo-face"};
    vexlo::test::LoopbackSite m_site;
};

TEST_F(FaceTest, SignInWithTokenOrDigestAndLogWithoutPasswords)
{
    startSite();
    const std::string camera = address(0);
    EXPECT_FALSE(site().camera(0).listening) << "an ONVIF-only camera has no home listener";
    EXPECT_TRUE(site().camera(1).listening);
    // Nor does it answer the home search: only the camera that speaks both does.
    simtest::SearchClient search;
    search.probe(site().searchPort(), 0x7001);
    const auto found = search.collect(0x7001, 2, std::chrono::milliseconds(500));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].from, address(1));

    // Open to anyone: a client sets its clock from it before it can sign.
    const auto time = soap(camera, operation("GetSystemDateAndTime"));
    ASSERT_TRUE(time);
    EXPECT_EQ(time->status, 200);
    EXPECT_FALSE(field(time->body, {"GetSystemDateAndTimeResponse", "SystemDateAndTime",
                                    "UTCDateTime", "Date", "Year"})
                     .empty());

    // No credentials: challenged for HTTP Digest, SHA-256 and MD5.
    const auto challenged = soap(camera, operation("GetDeviceInformation"));
    ASSERT_TRUE(challenged);
    EXPECT_EQ(challenged->status, 401);
    const auto values = challenged->headers.findAll("WWW-Authenticate");
    std::vector<std::string> challenges(values.begin(), values.end());
    ASSERT_EQ(challenges.size(), 2u);

    EXPECT_TRUE(isFault(signedSoap(camera, operation("GetDeviceInformation"), "wrong"), 400,
                        "NotAuthorized"));

    const auto token =
        codec::buildSecurityHeader("admin", kPassword, std::chrono::system_clock::now());
    ASSERT_TRUE(token);
    const auto info = soap(camera, operation("GetDeviceInformation"), std::span(&*token, 1));
    ASSERT_TRUE(info);
    ASSERT_EQ(info->status, 200) << info->body;
    EXPECT_EQ(field(info->body, {"GetDeviceInformationResponse", "FirmwareVersion"}), "V5.2.0");
    EXPECT_EQ(field(info->body, {"GetDeviceInformationResponse", "SerialNumber"}), "ONV001");
    EXPECT_EQ(field(info->body, {"GetDeviceInformationResponse", "Model"}), "IPC");
    // The same signed request again is a replay.
    EXPECT_TRUE(isFault(soap(camera, operation("GetDeviceInformation"), std::span(&*token, 1)), 400,
                        "NotAuthorized"));

    // HTTP Digest, with either algorithm offered.
    for (const std::string& value : challenges) {
        const auto parsed = codec::parseChallenges(value);
        ASSERT_EQ(parsed.size(), 1u);
        const auto authorization =
            codec::buildAuthorization(parsed[0], "admin", kPassword, "POST", kDevicePath, 1);
        ASSERT_TRUE(authorization);
        const auto reply = soap(camera, operation("GetNetworkInterfaces"), {},
                                "Authorization: " + *authorization + "\r\n");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200) << value;
        EXPECT_EQ(field(reply->body, {"GetNetworkInterfacesResponse", "NetworkInterfaces", "IPv4",
                                      "Config", "Manual", "Address"}),
                  camera);
    }

    EXPECT_TRUE(isFault(signedSoap(camera, operation("GetPresets")), 500, "ActionNotSupported"));

    // A new password takes effect for both ways of signing in, and the log
    // never shows it (nor the old one).
    const std::string secret = "n3w-secret";
    const auto changed = signedSoap(
        camera,
        operation("SetUser", "<tds:User><tt:Username>admin</tt:Username><tt:Password>" + secret +
                                 "</tt:Password><tt:UserLevel>Administrator</"
                                 "tt:UserLevel></tds:User>"));
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->status, 200) << changed->body;
    EXPECT_TRUE(isFault(signedSoap(camera, operation("GetUsers")), 400, "NotAuthorized"));
    const auto users = signedSoap(camera, operation("GetUsers"), secret);
    ASSERT_TRUE(users);
    EXPECT_EQ(field(users->body, {"GetUsersResponse", "User", "Username"}), "admin");

    std::vector<std::string> kinds;
    for (const RequestRecord& record : logRecords()) {
        if (record.address == camera) {
            kinds.push_back(record.kind);
        }
        EXPECT_EQ(record.body.find(kPassword), std::string::npos) << record.body;
        EXPECT_EQ(record.body.find(secret), std::string::npos) << record.body;
        EXPECT_EQ(record.note.find(secret), std::string::npos) << record.note;
    }
    const std::vector<std::string> expected{"GetSystemDateAndTime",
                                            "GetDeviceInformation",
                                            "GetDeviceInformation",
                                            "GetDeviceInformation",
                                            "GetDeviceInformation",
                                            "GetNetworkInterfaces",
                                            "GetNetworkInterfaces",
                                            "GetPresets",
                                            "SetUser",
                                            "GetUsers",
                                            "GetUsers"};
    EXPECT_EQ(kinds, expected);
}

TEST_F(FaceTest, SetTimeRebootAndMoveActOnTheCamera)
{
    startSite();
    const std::string camera = address(0);

    const auto set = signedSoap(
        camera, operation("SetSystemDateAndTime",
                          "<tds:DateTimeType>Manual</tds:DateTimeType>"
                          "<tds:DaylightSavings>false</tds:DaylightSavings>"
                          "<tds:UTCDateTime><tt:Date><tt:Year>2031</tt:Year><tt:Month>2</tt:Month>"
                          "<tt:Day>28</tt:Day></tt:Date><tt:Time><tt:Hour>23</tt:Hour>"
                          "<tt:Minute>59</tt:Minute><tt:Second>30</tt:Second></tt:Time>"
                          "</tds:UTCDateTime>"));
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, 200) << set->body;
    EXPECT_EQ(site().camera(0).timeSet.substr(0, 14), "2031-02-28T23:");
    const auto time = soap(camera, operation("GetSystemDateAndTime"));
    ASSERT_TRUE(time);
    EXPECT_EQ(field(time->body, {"GetSystemDateAndTimeResponse", "SystemDateAndTime", "UTCDateTime",
                                 "Date", "Year"}),
              "2031");
    // A client signs with the camera's time from then on.
    EXPECT_TRUE(isFault(signedSoap(camera, operation("GetUsers")), 400, "NotAuthorized"));
    const auto cameraNow = std::chrono::sys_days{std::chrono::year{2031} / 2 / 28} +
                           std::chrono::hours{23} + std::chrono::minutes{59} +
                           std::chrono::seconds{40};
    const auto token = codec::buildSecurityHeader("admin", kPassword, cameraNow);
    ASSERT_TRUE(token);
    const auto users = soap(camera, operation("GetUsers"), std::span(&*token, 1));
    ASSERT_TRUE(users);
    EXPECT_EQ(users->status, 200);
    // Back to NTP: the host's clock is the camera's again.
    const auto ntpToken = codec::buildSecurityHeader("admin", kPassword, cameraNow);
    ASSERT_TRUE(ntpToken);
    const auto ntp =
        soap(camera,
             operation("SetSystemDateAndTime", "<tds:DateTimeType>NTP</tds:DateTimeType>"
                                               "<tds:DaylightSavings>false</tds:DaylightSavings>"),
             std::span(&*ntpToken, 1));
    ASSERT_TRUE(ntp);
    EXPECT_EQ(ntp->status, 200) << ntp->body;
    EXPECT_EQ(signedSoap(camera, operation("GetUsers")).value_or(ClientResponse{}).status, 200);

    // Reboot through the second camera, which speaks both protocols.
    const std::string both = address(1);
    const auto reboot = signedSoap(both, operation("SystemReboot"));
    ASSERT_TRUE(reboot);
    EXPECT_EQ(reboot->status, 200);
    EXPECT_FALSE(field(reboot->body, {"SystemRebootResponse", "Message"}).empty());
    ASSERT_TRUE(waitForReboot(1));
    EXPECT_TRUE(site().camera(1).listening);
    const auto back = signedSoap(both, operation("GetDeviceInformation"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->status, 200);

    // Moved: the old address no longer answers, the new one does.
    const std::string target = m_site.address(99, kFaceBlock.thirdOctet);
    const auto moved = signedSoap(
        both, operation("SetNetworkInterfaces",
                        "<tds:InterfaceToken>eth0</tds:InterfaceToken><tds:NetworkInterface>"
                        "<tt:Enabled>true</tt:Enabled><tt:IPv4><tt:Enabled>true</tt:Enabled>"
                        "<tt:Manual><tt:Address>" +
                            target +
                            "</tt:Address><tt:PrefixLength>16</tt:PrefixLength></tt:Manual>"
                            "<tt:DHCP>false</tt:DHCP></tt:IPv4></tds:NetworkInterface>"));
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->status, 200) << moved->body;
    EXPECT_EQ(field(moved->body, {"SetNetworkInterfacesResponse", "RebootNeeded"}), "false");
    EXPECT_EQ(site().camera(1).address, target);
    EXPECT_EQ(site().camera(1).netmask, "255.255.0.0");
    const auto there = soap(target, operation("GetSystemDateAndTime"));
    ASSERT_TRUE(there);
    EXPECT_EQ(there->status, 200);
    ASSERT_TRUE(waitFor(1, [&](const CameraSnapshot&) {
        return !send(both, vexlo::ipcsim::onvif::test::post(kDevicePath, "x"));
    })) << "the old address still answers";

    // A new HTTP port takes over at once; the answer still leaves from the old one.
    const auto ports = signedSoap(
        target,
        operation("SetNetworkProtocols",
                  "<tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true</tt:Enabled>"
                  "<tt:Port>8090</tt:Port></tds:NetworkProtocols>"));
    ASSERT_TRUE(ports);
    EXPECT_EQ(ports->status, 200) << ports->body;
    const auto onNewPort = send(target,
                                vexlo::ipcsim::onvif::test::post(
                                    kDevicePath, codec::buildEnvelope(operation("GetServices"))),
                                8090);
    ASSERT_TRUE(onNewPort);
    EXPECT_EQ(field(onNewPort->body, {"GetServicesResponse", "Service", "XAddr"}),
              "http://" + target + ":8090/onvif/device_service");
}

TEST_F(FaceTest, FirmwareUploadRefusesBadImagesAndInstallsSoundOnes)
{
    startSite();
    const std::string camera = address(0);
    const auto image = makeFirmwareImage("V6.0.1", 4096);
    const auto upload = [&](const std::string& bytes) {
        return send(camera,
                    vexlo::ipcsim::onvif::test::post("/onvif/firmware", bytes,
                                                     "Content-Type: application/octet-stream\r\n"));
    };
    const auto start = [&] {
        const auto reply = signedSoap(camera, operation("StartFirmwareUpgrade"));
        EXPECT_TRUE(reply && reply->status == 200);
        return reply ? field(reply->body, {"StartFirmwareUpgradeResponse", "UploadUri"})
                     : std::string();
    };

    // Only after StartFirmwareUpgrade: the URI is no open door.
    const auto unasked = upload(image);
    ASSERT_TRUE(unasked);
    EXPECT_EQ(unasked->status, 403);

    EXPECT_EQ(start(), "http://" + camera + ":8080/onvif/firmware");
    std::string damaged = image;
    damaged[200] ^= 0x5A;
    const auto refused = upload(damaged);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 415);
    EXPECT_EQ(site().camera(0).state, CameraState::Up);

    start();
    const auto accepted = upload(image);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200);
    ASSERT_TRUE(waitForReboot(0));
    EXPECT_EQ(site().camera(0).version, "V6.0.1");
    const auto info = signedSoap(camera, operation("GetDeviceInformation"));
    ASSERT_TRUE(info);
    EXPECT_EQ(field(info->body, {"GetDeviceInformationResponse", "FirmwareVersion"}), "V6.0.1");
}

// The stream as an RTSP client such as FFmpeg asks for it: Digest without
// qop, the camera's own credentials, the test card's session description.
TEST_F(FaceTest, RtspServesTheTestCardToDigestClients)
{
    startSite();
    const std::string camera = address(0);
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    asio::error_code error;
    socket.connect({asio::ip::make_address_v4(camera), kDefaultRtspPort}, error);
    ASSERT_FALSE(error) << error.message();
    // The stream URI comes from the media service, as a client finds it.
    constexpr std::string_view kMedia = "http://www.onvif.org/ver10/media/wsdl";
    const auto profiles =
        signedSoap(camera, "<trt:GetProfiles xmlns:trt=\"" + std::string(kMedia) + "\"/>");
    ASSERT_TRUE(profiles);
    ASSERT_EQ(profiles->status, 200) << profiles->body;
    const auto message = codec::parseEnvelope(profiles->body);
    ASSERT_TRUE(message);
    const std::string token =
        codec::attribute(codec::find(message->body, {"GetProfilesResponse", "Profiles"}), "token");
    ASSERT_FALSE(token.empty());
    const auto streamUri =
        signedSoap(camera, "<trt:GetStreamUri xmlns:trt=\"" + std::string(kMedia) +
                               "\" xmlns:tt=\"http://www.onvif.org/ver10/schema\"><trt:StreamSetup>"
                               "<tt:Stream>RTP-Unicast</tt:Stream><tt:Transport><tt:Protocol>RTSP"
                               "</tt:Protocol></tt:Transport></trt:StreamSetup><trt:ProfileToken>" +
                               token + "</trt:ProfileToken></trt:GetStreamUri>");
    ASSERT_TRUE(streamUri);
    const std::string uri = field(streamUri->body, {"GetStreamUriResponse", "MediaUri", "Uri"});
    EXPECT_EQ(uri, "rtsp://" + camera + ":8554/main") << streamUri->body;

    const auto challenged = rtspExchange(socket, describe(uri, 1));
    ASSERT_TRUE(challenged);
    ASSERT_EQ(challenged->status, 401);
    const auto at = challenged->head.find("WWW-Authenticate: ");
    ASSERT_NE(at, std::string::npos);
    const auto line = challenged->head.substr(at + 18, challenged->head.find("\r\n", at) - at - 18);
    const auto challenge = codec::preferredChallenge(std::vector<std::string>{line});
    ASSERT_TRUE(challenge);
    EXPECT_TRUE(challenge->qop.empty());

    const auto wrong = codec::buildAuthorization(*challenge, "admin", "wrong", "DESCRIBE", uri, 1);
    ASSERT_TRUE(wrong);
    const auto refused = rtspExchange(socket, describe(uri, 2, *wrong));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);

    const auto right =
        codec::buildAuthorization(*challenge, "admin", kPassword, "DESCRIBE", uri, 1);
    ASSERT_TRUE(right);
    const auto described = rtspExchange(socket, describe(uri, 3, *right));
    ASSERT_TRUE(described);
    EXPECT_EQ(described->status, 200) << described->head;
    EXPECT_NE(described->body.find("m=video"), std::string::npos) << described->body;
    EXPECT_NE(described->body.find("sprop-parameter-sets="), std::string::npos);
}

// Probes the site's discovery port until `done` holds for what came back.
std::vector<codec::DiscoveryTarget>
probeUntil(std::uint16_t port,
           const std::function<bool(const std::vector<codec::DiscoveryTarget>&)>& done)
{
    asio::io_context io;
    asio::ip::udp::socket socket(
        io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.1"), 0));
    socket.set_option(
        asio::ip::multicast::outbound_interface(asio::ip::make_address_v4("127.0.0.1")));
    const asio::ip::udp::endpoint group(asio::ip::make_address_v4("239.255.255.250"), port);
    std::vector<codec::DiscoveryTarget> found;
    const auto end = std::chrono::steady_clock::now() + vexlo::test::kDeadline;
    int round = 0;
    while (std::chrono::steady_clock::now() < end && !done(found)) {
        found.clear();
        codec::Probe probe;
        probe.messageId =
            "urn:uuid:00000000-0000-4000-8000-00000000000" + std::to_string(++round % 10);
        socket.send_to(asio::buffer(codec::buildProbe(probe)), group);
        // Answers of one round come within the responder's window (at most 500 ms).
        const auto roundEnd = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < roundEnd) {
            pollfd fd{socket.native_handle(), POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0) {
                continue;
            }
            char buffer[65536];
            const std::size_t size = socket.receive(asio::buffer(buffer));
            if (const auto matches = codec::parseProbeMatches(std::string_view(buffer, size));
                matches && matches->relatesTo == probe.messageId) {
                found.insert(found.end(), matches->matches.begin(), matches->matches.end());
            }
        }
    }
    return found;
}

TEST_F(FaceTest, HardFactoryDefaultGoesToTheFactoryAddress)
{
    std::string loopbackFactory;
    startSite([&](std::vector<CameraSetup>& cameras) {
        const auto parts = cameras[0].address.substr(0, cameras[0].address.rfind('.'));
        loopbackFactory = parts + ".50";
        cameras[0].factoryAddress = loopbackFactory;
        cameras[1].factoryAddress = "192.168.0.123";
    });
    const std::string first = address(0);
    const std::string second = address(1);
    for (const std::string& camera : {first, second}) {
        const auto reset =
            signedSoap(camera, operation("SetSystemFactoryDefault",
                                         "<tds:FactoryDefault>Hard</tds:FactoryDefault>"));
        ASSERT_TRUE(reset);
        EXPECT_EQ(reset->status, 200) << reset->body;
    }
    ASSERT_TRUE(waitFor(0, [&](const CameraSnapshot& s) {
        return s.state == CameraState::Up && s.address == loopbackFactory && s.onvifListening;
    }));
    const auto there = signedSoap(loopbackFactory, operation("GetDeviceInformation"));
    ASSERT_TRUE(there);
    EXPECT_EQ(there->status, 200);

    // Off loopback nothing can be reached, yet discovery still finds the
    // camera, as an installer's tool finds one on a real site.
    ASSERT_TRUE(waitFor(1, [](const CameraSnapshot& s) {
        return s.state == CameraState::Up && s.address == "192.168.0.123";
    }));
    EXPECT_FALSE(site().camera(1).onvifListening);
    const std::string lost = "http://192.168.0.123:8080/onvif/device_service";
    const std::string moved = "http://" + loopbackFactory + ":8080/onvif/device_service";
    const auto found = probeUntil(site().discoveryPort(), [&](const auto& targets) {
        const auto has = [&](const std::string& xaddr) {
            return std::any_of(targets.begin(), targets.end(),
                               [&](const codec::DiscoveryTarget& t) {
                                   return !t.xaddrs.empty() && t.xaddrs[0] == xaddr;
                               });
        };
        return has(lost) && has(moved);
    });
    EXPECT_EQ(found.size(), 2u);
}

TEST_F(FaceTest, ScenarioFaultsKeepTheirMeaning)
{
    startSite([](std::vector<CameraSetup>& cameras) {
        cameras[0].faults.refusedCodes = {kCodeVersion};
        cameras[0].faults.modifyIpRefused = true;
        cameras[0].faults.firmwareRefused = true;
        cameras[1].faults.loginRefused = true;
    });
    // loginRefused: the right credentials, still not authorized; open
    // operations still answer.
    EXPECT_TRUE(
        isFault(signedSoap(address(1), operation("GetDeviceInformation")), 400, "NotAuthorized"));
    EXPECT_EQ(soap(address(1), operation("GetCapabilities")).value_or(ClientResponse{}).status,
              200);

    const std::string camera = address(0);
    EXPECT_TRUE(isFault(signedSoap(camera, operation("GetDeviceInformation")), 500, "Action"));
    EXPECT_TRUE(isFault(
        signedSoap(camera, operation("SetNetworkInterfaces",
                                     "<tds:InterfaceToken>eth0</tds:InterfaceToken>"
                                     "<tds:NetworkInterface><tt:IPv4><tt:Enabled>true</tt:Enabled>"
                                     "<tt:Manual><tt:Address>" +
                                         m_site.address(98, kFaceBlock.thirdOctet) +
                                         "</tt:Address><tt:PrefixLength>8</tt:PrefixLength>"
                                         "</tt:Manual></tt:IPv4></tds:NetworkInterface>")),
        400, "OperationProhibited"));
    EXPECT_EQ(site().camera(0).address, camera);

    // refuseFirmware: a sound image, refused as a device error.
    ASSERT_EQ(
        signedSoap(camera, operation("StartFirmwareUpgrade")).value_or(ClientResponse{}).status,
        200);
    const auto refused = send(camera, vexlo::ipcsim::onvif::test::post(
                                          "/onvif/firmware", makeFirmwareImage("V6.0.1", 2048)));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 500);
    EXPECT_EQ(site().camera(0).state, CameraState::Up);
    EXPECT_EQ(site().camera(0).version, "V5.2.0");
}

} // namespace
