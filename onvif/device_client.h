#pragma once

#include "onvif/auth_state.h"
#include "onvif/call_outcome.h"
#include "onvif/device_messages.h"
#include "onvif/http_transport.h"
#include "onvif/media_messages.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// One camera's SOAP client: the device and media operations Vexlo drives,
// signed in the way the camera takes. Before its first signed call it reads
// the camera's clock without credentials and signs with the camera's time;
// it tries WS-Security UsernameToken first and HTTP Digest when the camera
// answers 401 or NotAuthorized, and remembers what worked.
namespace vexlo::onvif {

struct Credentials
{
    std::string user = "admin";
    std::string password;
};

struct ClientOptions
{
    TransportOptions transport; // loopback only unless lanAllowed; time limits
    UploadLimits upload;
};

// Thread safety: every member may be called from several threads at once; the
// sign-in state and the media address are kept under locks, and calls run on
// the caller's thread. Passwords appear in no text this class produces.
class DeviceClient
{
public:
    // `transport` may be shared by the clients of a whole site, so their
    // handles are pooled together; it then brings its own TransportOptions
    // (LAN mode, limits). Without one the client makes its own from `options`.
    DeviceClient(std::string deviceServiceUrl, Credentials credentials, ClientOptions options = {},
                 std::shared_ptr<HttpTransport> transport = {});

    const std::string& deviceServiceUrl() const { return m_url; }
    AuthMethod authMethod() const { return m_auth.method(); }
    // Camera minus local time; nothing before the clock was read.
    std::optional<std::chrono::seconds> clockOffset() const;
    HttpTransport& transport() { return *m_transport; }
    // For a client of the same camera at another address or port.
    std::shared_ptr<HttpTransport> sharedTransport() const { return m_transport; }

    // Any operation, signed: its action URI, the payload for Body, and the
    // service's address (empty: the device service). The answer is the whole
    // reply, for the caller's own parser.
    Outcome<std::string> call(std::string_view action, std::string_view payload,
                              std::string_view serviceUrl = {});

    // Open to anyone; also measures the camera's clock offset.
    Outcome<SystemDateAndTime> getSystemDateAndTime();
    Outcome<DeviceInformation> getDeviceInformation();
    // Manual time; with `keep`, the camera's zone is sent back as it was.
    Outcome<Accepted> setSystemDateAndTime(TimePoint utc,
                                           const std::optional<ZoneSetting>& keep = {});
    Outcome<std::vector<NetworkInterface>> getNetworkInterfaces();
    Outcome<std::vector<std::string>> getNetworkDefaultGateway();
    // Manual IPv4, DHCP off. The answer: whether the camera must reboot for it.
    // The camera then answers at its new address, which takes a new client.
    Outcome<bool> setNetworkInterfaces(std::string_view interfaceToken, std::string_view address,
                                       int prefixLength);
    Outcome<Accepted> setNetworkDefaultGateway(std::string_view gateway);
    Outcome<std::string> systemReboot(); // the camera's message
    Outcome<Accepted> setSystemFactoryDefault(FactoryDefault kind);
    Outcome<DeviceServices> getCapabilities();
    Outcome<DeviceServices> getServices();

    // The caller waits FirmwareUpload::uploadDelay before uploading.
    Outcome<FirmwareUpload> startFirmwareUpgrade();
    // POST of the image to the camera's UploadUri; 200 is the camera's
    // acceptance, 415 or 500 its refusal. `progress` hears the bytes sent.
    Outcome<Accepted> uploadFirmware(std::string_view uploadUri, const std::filesystem::path& file,
                                     const UploadProgress& progress = {},
                                     std::stop_token stop = {});

    // Media service, found through GetCapabilities on first use.
    Outcome<std::string> mediaServiceUrl();
    Outcome<std::vector<MediaProfile>> getProfiles();
    Outcome<StreamUri> getStreamUri(std::string_view profileToken);

private:
    // Reads the camera's clock once; a transport failure is returned so the
    // call does not go on to a camera that is not there.
    std::optional<TransportError> ensureClock();
    HttpResult sendSigned(const std::string& url, std::string_view action, std::string_view payload,
                          AuthMethod method);
    // Sends through `send` with a Digest Authorization (empty before the
    // camera challenged), and once more after a 401 that may not be about
    // the password: nothing was signed yet, or the nonce changed.
    HttpResult withDigest(const std::string& url,
                          const std::function<HttpResult(std::string_view authorization)>& send);
    CameraRefusal refusalOf(const HttpResponse& response) const;
    CameraRefusal refusalOf(const SoapFault& fault, int httpStatus) const;
    std::string withoutPassword(std::string text) const;
    template <typename T, typename Parse>
    Outcome<T> typedCall(std::string_view action, const std::string& payload, Parse parse,
                         std::string_view serviceUrl = {});

    std::string m_url;
    Credentials m_credentials;
    ClientOptions m_options;
    std::shared_ptr<HttpTransport> m_transport;
    AuthState m_auth;
    std::mutex m_mediaMutex;
    std::string m_mediaUrl; // empty until GetCapabilities told it
};

} // namespace vexlo::onvif
