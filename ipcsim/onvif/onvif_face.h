#pragma once

#include "ipcsim/onvif/device_service.h"
#include "ipcsim/onvif/discovery_responder.h"
#include "ipcsim/onvif/http_message.h"
#include "ipcsim/onvif/http_responder.h"
#include "ipcsim/onvif/soap_dispatch.h"

#include <asio.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The ONVIF face of one simulated camera: its SOAP services over HTTP on
// address:onvifPort, its RTSP server on address:rtspPort, and its Hello and
// Bye. The camera opens it when it comes up and closes it when it goes down,
// so it follows every reboot, move and factory default.
//
// Everything but discoveryEntry() runs on the camera's strand. Requests
// arrive on the servers' connection strands and are posted onto it.
namespace vexlo::ipcsim {
class Camera;
}

namespace vexlo::ipcsim::rtsp {
class RtspServer;
}

namespace vexlo::ipcsim::onvif {

class HttpServer;
struct MediaHookup;

// How a camera announces itself to the site's discovery responder; either
// may be empty (a site without discovery).
struct Announcer
{
    std::function<void(const DiscoveryEntry&)> hello;
    std::function<void(const DiscoveryEntry&)> bye;
};

class OnvifFace
{
public:
    OnvifFace(asio::io_context& io, Camera& camera, Announcer announcer);
    ~OnvifFace();
    OnvifFace(const OnvifFace&) = delete;
    OnvifFace& operator=(const OnvifFace&) = delete;

    // Listens at the camera's current address and says Hello. Throws
    // std::system_error when a port cannot be bound (nothing stays open then).
    void open();
    // The camera came back at a factory address off loopback: nothing can be
    // bound there, but discovery still finds it (sent from the loopback
    // address it left, XAddrs at the unreachable one), as on a real site.
    void announceFrom(const std::string& loopbackAddress);
    // The camera goes down or moves: Bye, RTSP ends at once, and the HTTP
    // server shortly after, so the answer that caused it still goes out.
    void close();
    // For good, everything at once.
    void shutdown();
    // Settings back to the scenario's: all of them (hard) or all but the
    // network ones (soft).
    void factoryReset(bool hard);

    bool isOpen() const { return m_http != nullptr; }
    // What the discovery responder reports for this camera while it is open;
    // any thread.
    std::optional<DiscoveryEntry> discoveryEntry() const;
    // RTSP clients connected now; any thread.
    std::size_t rtspConnections() const;

private:
    void onRequest(const HttpRequest& request, HttpResponder responder);
    void handleSoap(const HttpRequest& request, HttpResponder responder);
    void handleFirmware(const HttpRequest& request, HttpResponder responder);
    void answerLater(double seconds, HttpResponder responder, HttpResponse response);
    void park(HttpResponder responder);
    bool changePorts(std::uint16_t http, std::uint16_t rtsp);
    std::unique_ptr<HttpServer> openHttp(std::uint16_t port);
    void openRtsp(std::uint16_t port);
    void retire(std::unique_ptr<HttpServer> server);
    void closeRetired();
    void shutdownServers();
    void sayBye();
    void syncRtspUsers();
    std::string baseUrl() const;
    DiscoveryEntry makeEntry() const;
    void publishEntry(bool open);
    std::shared_ptr<rtsp::RtspServer> makeRtsp();

    asio::io_context& m_io;
    Camera& m_camera;
    Announcer m_announcer;
    DeviceSettings m_settings;
    SoapAuthenticator m_authenticator;
    std::unique_ptr<MediaHookup> m_media;

    std::unique_ptr<HttpServer> m_http;
    std::vector<std::unique_ptr<HttpServer>> m_retired;
    asio::steady_timer m_retireTimer;
    std::shared_ptr<rtsp::RtspServer> m_rtsp;
    struct RtspCredentials;
    std::shared_ptr<RtspCredentials> m_rtspCredentials;
    // Requests the camera never answers (ignoreCodes, a stalled upload),
    // held until the camera goes down so the client waits as on a real site.
    std::vector<HttpResponder> m_parked;
    bool m_uploadArmed = false;
    std::string m_openAddress; // where the servers listen; empty when closed

    mutable std::mutex m_entryMutex;
    std::optional<DiscoveryEntry> m_entry;
    std::shared_ptr<rtsp::RtspServer> m_publishedRtsp; // the open server, for other threads
};

} // namespace vexlo::ipcsim::onvif
