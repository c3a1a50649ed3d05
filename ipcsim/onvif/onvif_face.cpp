#include "ipcsim/onvif/onvif_face.h"

#include "ipcsim/alaw_tone.h"
#include "ipcsim/camera.h"
#include "ipcsim/firmware.h"
#include "ipcsim/onvif/http_server.h"
#include "ipcsim/onvif/media_services.h"
#include "ipcsim/rtsp/rtsp_server.h"
#include "ipcsim/sim_time.h"
#include "onvif/digest_server.h"
#include "onvif/encoding.h"

#include <algorithm>
#include <cctype>

namespace vexlo::ipcsim::onvif {

namespace {

// How long a server that the camera left (it went down, moved or changed
// its port) keeps its connections, so the answer that made it leave still
// reaches the client. Real time: it only has to outlast a loopback write.
constexpr auto kRetireGrace = std::chrono::milliseconds(250);
// Firmware images are posted whole; SOAP bodies stay limited by the XML
// reader (1 MiB) whatever this allows.
constexpr std::size_t kMaxHttpBody = 32 * 1024 * 1024;
constexpr std::size_t kMaxHttpConnections = 16;
// Requests held unanswered at once; past this the oldest is let go.
constexpr std::size_t kMaxParked = 32;
constexpr std::string_view kFirmwareKind = "FirmwareUpload";
constexpr std::string_view kHttpKind = "HttpRequest";
constexpr std::string_view kRtspRealm = "vexlo-ipcsim";

// Scope values are URI path segments: anything but unreserved characters is
// percent-encoded, so a serial with a space or a slash stays one segment.
std::string scopeSegment(std::string_view value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

// A stable endpoint address per camera, the same after every reboot, as
// WS-Discovery wants: derived from the serial and MAC, which together tell
// the cameras of a site apart.
std::string endpointUrn(const CameraSetup& setup)
{
    const auto digest =
        vexlo::onvif::hash(vexlo::onvif::HashKind::Sha1, setup.serial + "/" + setup.mac);
    std::string hex = vexlo::onvif::hexLower(digest).substr(0, 32);
    hex[12] = '5'; // a name-based UUID
    return "urn:uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" +
           hex.substr(16, 4) + "-" + hex.substr(20, 12);
}

std::shared_ptr<const rtsp::StreamContent> contentOf(std::shared_ptr<const StreamLoop> loop)
{
    auto content = std::make_shared<rtsp::StreamContent>();
    content->name = loop->serial;
    content->framesPerSecond = kVideoFramesPerSecond;
    for (const auto& unit : loop->video) {
        content->video.push_back({unit.bytes, unit.key});
    }
    content->audio = toneFrame();
    content->owner = loop;
    return content;
}

} // namespace

// The media, imaging and analytics services' state: one per camera, used on
// its strand only.
struct MediaHookup
{
    explicit MediaHookup(std::string_view serial) : state(serial) {}
    MediaState state;
};

// RTSP requests are checked on the RTSP server's threads, several at once,
// so the Digest state they share is locked. Without qop: RTSP clients such as
// FFmpeg answer only the RFC 2069 form.
struct OnvifFace::RtspCredentials
{
    RtspCredentials() : digest(options()) {}

    static vexlo::onvif::DigestServer::Options options()
    {
        vexlo::onvif::DigestServer::Options options;
        options.realm = std::string(kRtspRealm);
        options.useQop = false;
        return options;
    }

    std::mutex mutex;
    vexlo::onvif::DigestServer digest;
    std::vector<DeviceUser> users;
    bool refuseAll = false;
};

OnvifFace::OnvifFace(asio::io_context& io, Camera& camera, Announcer announcer)
    : m_io(io), m_camera(camera), m_announcer(std::move(announcer)),
      m_settings(factorySettings(camera.setup())),
      m_authenticator([this] { return m_settings.cameraNow(); }),
      m_media(std::make_unique<MediaHookup>(camera.setup().serial)), m_retireTimer(camera.strand()),
      m_rtspCredentials(std::make_shared<RtspCredentials>())
{
    m_rtspCredentials->users = m_settings.users;
    m_rtspCredentials->refuseAll = camera.setup().faults.loginRefused;
}

OnvifFace::~OnvifFace()
{
    shutdownServers();
}

void OnvifFace::open()
{
    const std::string address = m_camera.currentAddress();
    // A reboot shorter than the grace: the connections of the server that
    // had this address and port end now. One left at another address (a
    // move) keeps its grace, so its last answer still goes out. Retired
    // servers no longer listen, so the address and port are free either way.
    std::erase_if(m_retired, [&](const std::unique_ptr<HttpServer>& server) {
        const auto endpoint = server->endpoint();
        if (endpoint.address().to_string() != address || endpoint.port() != m_settings.httpPort) {
            return false;
        }
        server->close();
        return true;
    });
    auto http = openHttp(m_settings.httpPort);
    auto rtsp = makeRtsp();
    try {
        rtsp->open(address, m_settings.rtspPort);
    } catch (const std::system_error&) {
        http->close();
        throw;
    }
    m_http = std::move(http);
    m_rtsp = std::move(rtsp);
    m_openAddress = address;
    publishEntry(true);
    if (m_announcer.hello) {
        m_announcer.hello(makeEntry());
    }
}

void OnvifFace::announceFrom(const std::string& loopbackAddress)
{
    DiscoveryEntry entry = makeEntry();
    entry.address = loopbackAddress;
    {
        std::lock_guard lock(m_entryMutex);
        m_entry = entry;
    }
    if (m_announcer.hello) {
        m_announcer.hello(entry);
    }
}

void OnvifFace::sayBye()
{
    const auto entry = discoveryEntry();
    if (entry && m_announcer.bye) {
        m_announcer.bye(*entry);
    }
    publishEntry(false);
}

void OnvifFace::close()
{
    sayBye();
    if (!m_http) {
        return;
    }
    if (m_rtsp) {
        m_rtsp->close();
        m_rtsp.reset();
    }
    retire(std::move(m_http));
    m_parked.clear();
    m_uploadArmed = false;
    m_openAddress.clear();
}

void OnvifFace::shutdown()
{
    sayBye();
    shutdownServers();
    m_openAddress.clear();
}

void OnvifFace::shutdownServers()
{
    m_retireTimer.cancel();
    m_parked.clear();
    if (m_rtsp) {
        m_rtsp->close();
        m_rtsp.reset();
    }
    if (m_http) {
        m_http->close();
        m_http.reset();
    }
    closeRetired();
}

void OnvifFace::factoryReset(bool hard)
{
    DeviceSettings fresh = factorySettings(m_camera.setup());
    if (!hard) {
        // A soft default keeps what it takes to reach the camera.
        fresh.httpPort = m_settings.httpPort;
        fresh.rtspPort = m_settings.rtspPort;
        fresh.dnsServers = m_settings.dnsServers;
        fresh.dnsFromDhcp = m_settings.dnsFromDhcp;
        fresh.searchDomains = m_settings.searchDomains;
    }
    m_settings = std::move(fresh);
    m_media = std::make_unique<MediaHookup>(m_camera.setup().serial);
    syncRtspUsers();
}

std::optional<DiscoveryEntry> OnvifFace::discoveryEntry() const
{
    std::lock_guard lock(m_entryMutex);
    return m_entry;
}

void OnvifFace::publishEntry(bool open)
{
    std::optional<DiscoveryEntry> entry;
    if (open) {
        entry = makeEntry();
    }
    std::lock_guard lock(m_entryMutex);
    m_entry = std::move(entry);
    m_publishedRtsp = open ? m_rtsp : nullptr;
}

std::size_t OnvifFace::rtspConnections() const
{
    std::lock_guard lock(m_entryMutex);
    return m_publishedRtsp ? m_publishedRtsp->connectionCount() : 0;
}

DiscoveryEntry OnvifFace::makeEntry() const
{
    const CameraSetup& setup = m_camera.setup();
    DiscoveryEntry entry;
    entry.address = m_camera.currentAddress();
    entry.ignoreBroadcast = setup.faults.ignoreBroadcast;
    auto& target = entry.target;
    target.address = endpointUrn(setup);
    const bool recorder = setup.type == "NVR";
    target.types.push_back({std::string(vexlo::onvif::kOnvifNetworkNamespace),
                            recorder ? "NetworkVideoStorage" : "NetworkVideoTransmitter"});
    target.types.push_back({std::string(vexlo::onvif::kOnvifDeviceNamespace), "Device"});
    const std::string base = "onvif://www.onvif.org/";
    target.scopes = {
        base + (recorder ? "type/video_storage" : "type/video_encoder"),
        base + "Profile/Streaming",
        base + "name/" + scopeSegment(setup.serial),
        base + "hardware/" + scopeSegment(setup.type),
        base + "location/vexlo-site",
    };
    target.xaddrs = {baseUrl() + std::string(kDevicePath)};
    target.metadataVersion = 1;
    return entry;
}

std::string OnvifFace::baseUrl() const
{
    return "http://" + m_camera.currentAddress() + ":" + std::to_string(m_settings.httpPort);
}

// --- servers ---------------------------------------------------------------------

std::unique_ptr<HttpServer> OnvifFace::openHttp(std::uint16_t port)
{
    HttpServerOptions options;
    options.limits.maxBody = kMaxHttpBody;
    options.maxConnections = kMaxHttpConnections;
    // Requests go to the camera's strand; the copy keeps the request (and a
    // posted firmware image) alive until it is handled there.
    auto handler = [this](const HttpRequest& request, HttpResponder responder) {
        auto copy = std::make_shared<HttpRequest>(request);
        asio::post(m_camera.strand(), [this, copy, responder = std::move(responder)]() mutable {
            onRequest(*copy, std::move(responder));
        });
    };
    auto server = std::make_unique<HttpServer>(m_io, std::move(handler), options);
    server->open(m_camera.currentAddress(), port);
    return server;
}

std::shared_ptr<rtsp::RtspServer> OnvifFace::makeRtsp()
{
    rtsp::ServerSettings settings;
    Camera* camera = &m_camera;
    settings.content = [camera](rtsp::ContentReady ready) {
        asio::post(camera->strand(), [camera, ready = std::move(ready)]() mutable {
            camera->withStreamLoop(
                [ready = std::move(ready)](std::shared_ptr<const StreamLoop> loop) {
                    ready(loop ? contentOf(std::move(loop)) : nullptr);
                });
        });
    };
    settings.authorize = [credentials = m_rtspCredentials](const rtsp::Request& request) {
        std::lock_guard lock(credentials->mutex);
        const auto authorization = request.header("Authorization");
        const auto verdict = credentials->digest.verify(
            authorization.value_or(std::string_view{}), request.method, request.uri,
            [&credentials](std::string_view user) -> std::optional<std::string> {
                for (const DeviceUser& entry : credentials->users) {
                    if (entry.name == user) {
                        return entry.password;
                    }
                }
                return std::nullopt;
            });
        return verdict == vexlo::onvif::DigestVerdict::Accepted && !credentials->refuseAll;
    };
    settings.challenge = [credentials = m_rtspCredentials](const rtsp::Request&) {
        std::lock_guard lock(credentials->mutex);
        std::vector<std::string> values;
        if (auto value = credentials->digest.challenge()) {
            values.push_back(std::move(*value));
        }
        return values;
    };
    return std::make_shared<rtsp::RtspServer>(m_io, std::move(settings));
}

void OnvifFace::syncRtspUsers()
{
    std::lock_guard lock(m_rtspCredentials->mutex);
    m_rtspCredentials->users = m_settings.users;
}

void OnvifFace::retire(std::unique_ptr<HttpServer> server)
{
    if (!server) {
        return;
    }
    // The address and port are free at once (another camera may move there);
    // only the connections stay for the grace.
    server->stopListening();
    m_retired.push_back(std::move(server));
    m_retireTimer.expires_after(kRetireGrace);
    m_retireTimer.async_wait([this](asio::error_code error) {
        if (!error) {
            closeRetired();
        }
    });
}

void OnvifFace::closeRetired()
{
    for (auto& server : m_retired) {
        server->close();
    }
    m_retired.clear();
}

bool OnvifFace::changePorts(std::uint16_t httpPort, std::uint16_t rtspPort)
{
    if (!m_http) {
        return false;
    }
    const std::string address = m_camera.currentAddress();
    std::unique_ptr<HttpServer> http;
    std::shared_ptr<rtsp::RtspServer> rtsp;
    try {
        if (httpPort != m_settings.httpPort) {
            http = openHttp(httpPort);
        }
        if (rtspPort != m_settings.rtspPort) {
            rtsp = makeRtsp();
            rtsp->open(address, rtspPort);
        }
    } catch (const std::system_error&) {
        if (http) {
            http->close();
        }
        return false;
    }
    if (m_announcer.bye) {
        m_announcer.bye(makeEntry());
    }
    if (http) {
        retire(std::move(m_http)); // the answer to this request leaves from the old port
        m_http = std::move(http);
    }
    if (rtsp) {
        m_rtsp->close();
        m_rtsp = std::move(rtsp);
    }
    m_settings.httpPort = httpPort;
    m_settings.rtspPort = rtspPort;
    publishEntry(true);
    if (m_announcer.hello) {
        m_announcer.hello(makeEntry());
    }
    return true;
}

// --- requests ----------------------------------------------------------------------

void OnvifFace::onRequest(const HttpRequest& request, HttpResponder responder)
{
    // A request that reached a server the camera has left (it went down or
    // moved meanwhile) is dropped: its connection closes unanswered.
    if (m_camera.state() != CameraState::Up || !m_http || request.localAddress != m_openAddress ||
        request.localPort != m_settings.httpPort) {
        return;
    }
    const std::string_view path = request.path();
    const bool firmware = path == kFirmwarePath;
    int refusal = 0;
    if (!firmware && !path.starts_with("/onvif/")) {
        refusal = 404;
    } else if (request.method != "POST") {
        refusal = 405;
    }
    if (refusal != 0) {
        // Logged too, so a client that asks the wrong place shows in the log.
        m_camera.log(kHttpKind, 0, {},
                     request.method + " " + std::string(path) + ": " + std::to_string(refusal),
                     request.localAddress);
        HttpResponse response =
            HttpResponse::make(refusal, refusal == 404 ? "no such service\n" : "use POST\n");
        if (refusal == 405) {
            response.headers.add("Allow", "POST");
        }
        responder.send(std::move(response));
        return;
    }
    if (firmware) {
        handleFirmware(request, std::move(responder));
    } else {
        handleSoap(request, std::move(responder));
    }
}

void OnvifFace::handleSoap(const HttpRequest& request, HttpResponder responder)
{
    DeviceContext device{
        m_camera, m_settings, baseUrl(), [this] { m_uploadArmed = true; },
        [this](std::uint16_t http, std::uint16_t rtsp) { return changePorts(http, rtsp); }};
    MediaContext media;
    media.address = m_camera.currentAddress();
    media.rtspPort = m_settings.rtspPort;
    media.serial = m_camera.setup().serial;
    const auto operations = [&](std::string_view action,
                                pugi::xml_node payload) -> std::optional<ServiceResult> {
        if (auto result = handleDeviceOperation(action, payload, device)) {
            return result;
        }
        return handleMediaOperation(action, payload, m_media->state, media);
    };
    const auto passwords = [this](std::string_view user) { return m_settings.passwordOf(user); };
    SoapExchange exchange =
        dispatchSoap(request, m_authenticator, m_camera.setup().faults, passwords, operations);
    // SetUser may have changed a password that RTSP checks too.
    syncRtspUsers();
    m_camera.log(exchange.action, exchange.code, std::move(exchange.loggedBody),
                 std::move(exchange.note), request.localAddress);
    if (exchange.withhold) {
        park(std::move(responder));
        return;
    }
    answerLater(exchange.delaySeconds, std::move(responder), std::move(exchange.response));
}

void OnvifFace::handleFirmware(const HttpRequest& request, HttpResponder responder)
{
    const std::string size = std::to_string(request.body.size()) + " bytes";
    if (!m_uploadArmed) {
        m_camera.log(kFirmwareKind, 0, {}, "refused: no StartFirmwareUpgrade before " + size,
                     request.localAddress);
        responder.send(HttpResponse::make(403, "call StartFirmwareUpgrade first\n"));
        return;
    }
    m_uploadArmed = false; // one image per StartFirmwareUpgrade
    if (!m_camera.claimUpload()) {
        m_camera.log(kFirmwareKind, 0, {}, "busy: another upload or check runs",
                     request.localAddress);
        responder.send(HttpResponse::make(503, "another firmware upgrade is running\n"));
        return;
    }
    const CameraFaults& faults = m_camera.setup().faults;
    if (faults.uploadFailPercent) {
        // The upload breaks off once that share has arrived; the whole body
        // is here already, so the camera gives up on it as a device error.
        m_camera.releaseUpload();
        m_camera.log(kFirmwareKind, 0, {},
                     size + ", aborted by scenario at " +
                         std::to_string(*faults.uploadFailPercent) + "%",
                     request.localAddress);
        HttpResponse response = HttpResponse::make(500, "upload aborted\n");
        response.close = true;
        responder.send(std::move(response));
        return;
    }
    if (faults.uploadStallPercent) {
        m_camera.releaseUpload();
        m_camera.log(kFirmwareKind, 0, {},
                     size + ", stalled by scenario at " +
                         std::to_string(*faults.uploadStallPercent) + "%",
                     request.localAddress);
        park(std::move(responder));
        return;
    }
    FirmwareChecker checker;
    checker.feed(request.body);
    FirmwareVerdict verdict = checker.finish();
    const bool sound = verdict.accepted;
    m_camera.log(kFirmwareKind, 0, {},
                 size + (sound ? ", image " + verdict.version : ", not an image"),
                 request.localAddress);
    m_camera.checkFirmware(
        std::move(verdict), [this, responder, sound](std::optional<bool> accepted) {
            if (!accepted) {
                park(responder); // the verdict is withheld (ignoreCodes 1009)
                return;
            }
            if (*accepted) {
                responder.send(HttpResponse::make(200, "firmware accepted, rebooting\n"));
            } else if (!sound) {
                responder.send(HttpResponse::make(415, "not a firmware image of this camera\n"));
            } else {
                responder.send(HttpResponse::make(500, "the camera refused the firmware\n"));
            }
        });
}

void OnvifFace::answerLater(double seconds, HttpResponder responder, HttpResponse response)
{
    const auto delay = scaledSeconds(seconds);
    if (delay.count() == 0) {
        responder.send(std::move(response));
        return;
    }
    auto timer = std::make_shared<asio::steady_timer>(m_camera.strand(), delay);
    timer->async_wait([timer, responder = std::move(responder),
                       response = std::move(response)](asio::error_code error) mutable {
        if (!error) {
            responder.send(std::move(response));
        }
    });
}

void OnvifFace::park(HttpResponder responder)
{
    if (m_parked.size() >= kMaxParked) {
        m_parked.erase(m_parked.begin());
    }
    m_parked.push_back(std::move(responder));
}

} // namespace vexlo::ipcsim::onvif
