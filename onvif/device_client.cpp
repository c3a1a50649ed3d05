#include "onvif/device_client.h"

#include "onvif/http_digest.h"
#include "onvif/soap.h"
#include "onvif/ws_security.h"

#include <algorithm>
#include <cctype>

namespace vexlo::onvif {

namespace {

using Clock = std::chrono::system_clock;

std::string deviceAction(std::string_view operation)
{
    return std::string(kOnvifDeviceNamespace) + "/" + std::string(operation);
}

std::string mediaAction(std::string_view operation)
{
    return std::string(kOnvifMediaNamespace) + "/" + std::string(operation);
}

bool succeeded(int status)
{
    return status >= 200 && status < 300;
}

// "Account locked", "LockedOut", "user locked out": a camera holding further
// logins off. "Clock" and "unlock" must not count.
bool speaksOfLock(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::size_t at = lower.find("lock"); at != std::string::npos;
         at = lower.find("lock", at + 1)) {
        if (at > 0 && std::isalpha(static_cast<unsigned char>(lower[at - 1])))
            continue;
        const std::string_view rest = std::string_view(lower).substr(at + 4);
        if (rest.starts_with("ed") || rest.starts_with("out") || rest.starts_with(" out"))
            return true;
    }
    return false;
}

bool faultSpeaksOfLock(const SoapFault& fault)
{
    return speaksOfLock(fault.reason) ||
           std::any_of(fault.subcodes.begin(), fault.subcodes.end(), speaksOfLock);
}

TransportError notSent(std::string why)
{
    return {TransportErrorKind::BadAddress, "nothing sent: " + std::move(why)};
}

} // namespace

DeviceClient::DeviceClient(std::string deviceServiceUrl, Credentials credentials,
                           ClientOptions options, std::shared_ptr<HttpTransport> transport)
    : m_url(std::move(deviceServiceUrl)), m_credentials(std::move(credentials)), m_options(options),
      m_transport(transport ? std::move(transport)
                            : std::make_shared<HttpTransport>(options.transport))
{
}

std::optional<std::chrono::seconds> DeviceClient::clockOffset() const
{
    if (!m_auth.clockKnown())
        return std::nullopt;
    return std::chrono::round<std::chrono::seconds>(m_auth.clockOffset());
}

std::string DeviceClient::withoutPassword(std::string text) const
{
    // A camera's fault reason is its own text; one that echoes the request
    // must not carry the password into our messages.
    const std::string& password = m_credentials.password;
    if (password.empty())
        return text;
    for (std::size_t at = text.find(password); at != std::string::npos;
         at = text.find(password, at + 3))
        text.replace(at, password.size(), "***");
    return text;
}

CameraRefusal DeviceClient::refusalOf(const SoapFault& fault, int httpStatus) const
{
    CameraRefusal refusal;
    refusal.httpStatus = httpStatus;
    refusal.fault = fault;
    refusal.lockout = faultSpeaksOfLock(fault);
    refusal.loginRefused = refusal.lockout || fault.mentions("NotAuthorized");
    if (refusal.lockout) {
        refusal.text = "login refused: the camera has locked the account";
    } else if (refusal.loginRefused) {
        refusal.text = "login refused";
    } else {
        std::string why = fault.reason;
        if (why.empty())
            why = fault.subcodes.empty() ? fault.code : fault.subcodes.back();
        refusal.text = withoutPassword("the camera refused: " + why);
    }
    // The reason came from the camera: scrub it as well, callers may show it.
    refusal.fault->reason = withoutPassword(refusal.fault->reason);
    return refusal;
}

CameraRefusal DeviceClient::refusalOf(const HttpResponse& response) const
{
    const int status = response.status;
    std::optional<SoapFault> fault;
    if (!response.body.empty())
        fault = parseFault(response.body);
    CameraRefusal refusal = fault ? refusalOf(*fault, status) : CameraRefusal{};
    refusal.httpStatus = status;
    if (status == 423 || status == 429) {
        refusal.lockout = true;
        refusal.loginRefused = true;
        refusal.text = "login refused: the camera has locked the account";
    } else if (status == 401 && !refusal.lockout) {
        refusal.loginRefused = true;
        refusal.text = "login refused";
    } else if (!fault) {
        refusal.text = "the camera answered HTTP " + std::to_string(status);
    }
    return refusal;
}

std::optional<TransportError> DeviceClient::ensureClock()
{
    if (m_auth.clockKnown())
        return std::nullopt;
    Outcome<SystemDateAndTime> time = getSystemDateAndTime();
    if (const TransportError* error = time.transportError())
        return *error;
    // A camera that wants credentials even for its clock, or does not tell
    // UTC, is signed for with our own clock.
    if (!m_auth.clockKnown())
        m_auth.clockUnreadable();
    return std::nullopt;
}

Outcome<SystemDateAndTime> DeviceClient::getSystemDateAndTime()
{
    const Clock::time_point sent = Clock::now();
    HttpResult result = m_transport->postSoap(m_url, deviceAction("GetSystemDateAndTime"),
                                              buildEnvelope(buildGetSystemDateAndTime()));
    const Clock::time_point received = Clock::now();
    if (TransportError* error = std::get_if<TransportError>(&result))
        return std::move(*error);
    const HttpResponse& response = std::get<HttpResponse>(result);
    if (!succeeded(response.status))
        return refusalOf(response);
    Reply<SystemDateAndTime> reply = parseGetSystemDateAndTime(response.body);
    if (const SoapFault* fault = reply.fault())
        return refusalOf(*fault, response.status);
    if (const Malformed* malformed = reply.malformed())
        return *malformed;
    if (reply.value()->utc) {
        // The camera read its clock about halfway through the exchange.
        m_auth.setCameraTime(*reply.value()->utc, sent + (received - sent) / 2);
    }
    return *reply.value();
}

HttpResult DeviceClient::sendSigned(const std::string& url, std::string_view action,
                                    std::string_view payload, AuthMethod method)
{
    if (m_credentials.user.empty())
        return m_transport->postSoap(url, action, buildEnvelope(payload));
    if (method == AuthMethod::HttpDigest) {
        const std::string envelope = buildEnvelope(payload);
        return withDigest(url, [&](std::string_view authorization) {
            return m_transport->postSoap(url, action, envelope, authorization);
        });
    }
    const std::optional<std::string> token =
        buildSecurityHeader(m_credentials.user, m_credentials.password, m_auth.cameraNow());
    if (!token)
        return TransportError{TransportErrorKind::Other, "no random numbers for a login token"};
    return m_transport->postSoap(url, action, buildEnvelope(payload, std::span(&*token, 1)));
}

HttpResult DeviceClient::withDigest(const std::string& url,
                                    const std::function<HttpResult(std::string_view)>& send)
{
    const auto sign = [&](const AuthState::DigestTurn& turn) -> std::optional<std::string> {
        const std::optional<std::string> target = requestTarget(url);
        if (!target)
            return std::nullopt;
        return buildAuthorization(turn.challenge, m_credentials.user, m_credentials.password,
                                  "POST", *target, turn.nonceCount);
    };
    std::optional<AuthState::DigestTurn> turn = m_auth.nextDigest();
    std::optional<std::string> authorization = turn ? sign(*turn) : std::nullopt;
    HttpResult result = send(authorization.value_or(""));
    const HttpResponse* response = std::get_if<HttpResponse>(&result);
    if (!response || response->status != 401)
        return result;
    std::optional<DigestChallenge> challenge = preferredChallenge(response->wwwAuthenticate);
    if (!challenge)
        return result;
    const bool again =
        !authorization || challenge->stale || challenge->nonce != turn->challenge.nonce;
    m_auth.setChallenge(std::move(*challenge));
    if (!again)
        return result;
    turn = m_auth.nextDigest();
    authorization = turn ? sign(*turn) : std::nullopt;
    if (!authorization)
        return result;
    return send(*authorization);
}

Outcome<std::string> DeviceClient::call(std::string_view action, std::string_view payload,
                                        std::string_view serviceUrl)
{
    const std::string url = serviceUrl.empty() ? m_url : std::string(serviceUrl);
    if (std::optional<TransportError> error = ensureClock())
        return std::move(*error);

    const AuthMethod known = m_auth.method();
    // What worked before is tried first; a camera that knows neither way
    // (Unknown) gets the token, then Digest.
    std::vector<AuthMethod> ways;
    if (known == AuthMethod::Unknown)
        ways = {AuthMethod::UsernameToken, AuthMethod::HttpDigest};
    else
        ways = {known};

    std::optional<CameraRefusal> refusal;
    bool clockReread = false;
    for (std::size_t i = 0; i < ways.size(); ++i) {
        HttpResult result = sendSigned(url, action, payload, ways[i]);
        if (TransportError* error = std::get_if<TransportError>(&result))
            return std::move(*error);
        HttpResponse& response = std::get<HttpResponse>(result);
        // A challenge met on the way saves the Digest attempt a round trip.
        if (response.status == 401) {
            if (std::optional<DigestChallenge> challenge =
                    preferredChallenge(response.wwwAuthenticate))
                m_auth.setChallenge(std::move(*challenge));
        }
        if (succeeded(response.status)) {
            if (!m_credentials.user.empty())
                m_auth.remember(ways[i]);
            return std::move(response.body);
        }
        refusal = refusalOf(response);
        // Only a refused login is worth the other way; a lockout ends it all.
        if (!refusal->loginRefused || refusal->lockout || m_credentials.user.empty())
            break;
        // A token that worked before and is refused now: the camera's clock
        // may have been set meanwhile. Sign once more only if it really moved,
        // since every failed try counts towards a camera's lockout.
        if (known == AuthMethod::UsernameToken && !clockReread) {
            clockReread = true;
            const auto before = m_auth.clockOffset();
            if (getSystemDateAndTime().ok() &&
                std::chrono::abs(m_auth.clockOffset() - before) > std::chrono::seconds(30))
                ways.push_back(AuthMethod::UsernameToken);
        }
    }
    return std::move(*refusal);
}

template <typename T, typename Parse>
Outcome<T> DeviceClient::typedCall(std::string_view action, const std::string& payload, Parse parse,
                                   std::string_view serviceUrl)
{
    Outcome<std::string> raw = call(action, payload, serviceUrl);
    if (!raw.ok())
        return std::move(raw).template failureAs<T>();
    Reply<T> reply = parse(*raw.value());
    if (const SoapFault* fault = reply.fault())
        return refusalOf(*fault, 200);
    if (const Malformed* malformed = reply.malformed())
        return *malformed;
    return *reply.value();
}

Outcome<DeviceInformation> DeviceClient::getDeviceInformation()
{
    return typedCall<DeviceInformation>(deviceAction("GetDeviceInformation"),
                                        buildGetDeviceInformation(), parseGetDeviceInformation);
}

Outcome<Accepted> DeviceClient::setSystemDateAndTime(TimePoint utc,
                                                     const std::optional<ZoneSetting>& keep)
{
    Outcome<Accepted> set =
        typedCall<Accepted>(deviceAction("SetSystemDateAndTime"),
                            buildSetSystemDateAndTime(utc, keep), parseSetSystemDateAndTime);
    // The camera's clock now reads `utc`: later tokens must be signed with it.
    if (set.ok())
        m_auth.setCameraTime(utc, Clock::now());
    return set;
}

Outcome<std::vector<NetworkInterface>> DeviceClient::getNetworkInterfaces()
{
    return typedCall<std::vector<NetworkInterface>>(deviceAction("GetNetworkInterfaces"),
                                                    buildGetNetworkInterfaces(),
                                                    parseGetNetworkInterfaces);
}

Outcome<std::vector<std::string>> DeviceClient::getNetworkDefaultGateway()
{
    return typedCall<std::vector<std::string>>(deviceAction("GetNetworkDefaultGateway"),
                                               buildGetNetworkDefaultGateway(),
                                               parseGetNetworkDefaultGateway);
}

Outcome<bool> DeviceClient::setNetworkInterfaces(std::string_view interfaceToken,
                                                 std::string_view address, int prefixLength)
{
    const std::optional<std::string> payload =
        buildSetNetworkInterfaces(interfaceToken, address, prefixLength);
    if (!payload)
        return notSent("not a usable interface, IPv4 address or prefix length");
    return typedCall<bool>(deviceAction("SetNetworkInterfaces"), *payload,
                           parseSetNetworkInterfaces);
}

Outcome<Accepted> DeviceClient::setNetworkDefaultGateway(std::string_view gateway)
{
    const std::optional<std::string> payload = buildSetNetworkDefaultGateway(gateway);
    if (!payload)
        return notSent("the gateway is not an IPv4 address");
    return typedCall<Accepted>(deviceAction("SetNetworkDefaultGateway"), *payload,
                               parseSetNetworkDefaultGateway);
}

Outcome<std::string> DeviceClient::systemReboot()
{
    return typedCall<std::string>(deviceAction("SystemReboot"), buildSystemReboot(),
                                  parseSystemReboot);
}

Outcome<Accepted> DeviceClient::setSystemFactoryDefault(FactoryDefault kind)
{
    return typedCall<Accepted>(deviceAction("SetSystemFactoryDefault"),
                               buildSetSystemFactoryDefault(kind), parseSetSystemFactoryDefault);
}

Outcome<DeviceServices> DeviceClient::getCapabilities()
{
    return typedCall<DeviceServices>(deviceAction("GetCapabilities"), buildGetCapabilities(),
                                     parseGetCapabilities);
}

Outcome<DeviceServices> DeviceClient::getServices()
{
    return typedCall<DeviceServices>(deviceAction("GetServices"), buildGetServices(),
                                     parseGetServices);
}

Outcome<FirmwareUpload> DeviceClient::startFirmwareUpgrade()
{
    return typedCall<FirmwareUpload>(deviceAction("StartFirmwareUpgrade"),
                                     buildStartFirmwareUpgrade(), parseStartFirmwareUpgrade);
}

Outcome<Accepted> DeviceClient::uploadFirmware(std::string_view uploadUri,
                                               const std::filesystem::path& file,
                                               const UploadProgress& progress, std::stop_token stop)
{
    // Signed only when the camera challenges (or challenged before): most
    // take the upload on the URI they handed out. After a challenge the file
    // is sent again from the start, and progress starts over with it.
    const std::string url(uploadUri);
    const auto post = [&](std::string_view authorization) {
        return m_transport->postFile(url, file, progress, stop, authorization, m_options.upload);
    };
    HttpResult result = m_credentials.user.empty() ? post({}) : withDigest(url, post);
    if (TransportError* error = std::get_if<TransportError>(&result))
        return std::move(*error);
    const HttpResponse& response = std::get<HttpResponse>(result);
    if (succeeded(response.status))
        return Accepted{};
    CameraRefusal refusal = refusalOf(response);
    if (response.status == 415)
        refusal.text = "the camera refused the firmware file";
    else if (response.status == 500 && !refusal.fault)
        refusal.text = "the camera could not install the firmware";
    return refusal;
}

Outcome<std::string> DeviceClient::mediaServiceUrl()
{
    {
        std::lock_guard lock(m_mediaMutex);
        if (!m_mediaUrl.empty())
            return m_mediaUrl;
    }
    Outcome<DeviceServices> services = getCapabilities();
    if (!services.ok())
        return std::move(services).failureAs<std::string>();
    if (services.value()->media.empty()) {
        CameraRefusal refusal;
        refusal.text = "the camera has no media service";
        return refusal;
    }
    std::lock_guard lock(m_mediaMutex);
    m_mediaUrl = services.value()->media;
    return m_mediaUrl;
}

Outcome<std::vector<MediaProfile>> DeviceClient::getProfiles()
{
    Outcome<std::string> media = mediaServiceUrl();
    if (!media.ok())
        return std::move(media).failureAs<std::vector<MediaProfile>>();
    return typedCall<std::vector<MediaProfile>>(mediaAction("GetProfiles"), buildGetProfiles(),
                                                parseGetProfiles, *media.value());
}

Outcome<StreamUri> DeviceClient::getStreamUri(std::string_view profileToken)
{
    const std::optional<std::string> payload = buildGetStreamUri(profileToken);
    if (!payload)
        return notSent("no profile token");
    Outcome<std::string> media = mediaServiceUrl();
    if (!media.ok())
        return std::move(media).failureAs<StreamUri>();
    return typedCall<StreamUri>(mediaAction("GetStreamUri"), *payload, parseGetStreamUri,
                                *media.value());
}

} // namespace vexlo::onvif
