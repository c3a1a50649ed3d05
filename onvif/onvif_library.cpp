#include "onvif/onvif_library.h"

#include "onvif/address_rule.h"
#include "onvif/section_push.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "protocol/command_codes.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <strings.h>

namespace vexlo::onvif {

namespace {

namespace proto = vexlo::protocol;

constexpr int kFailed = -1;

// Scaled times, as the home protocol's library keeps them.
constexpr std::uint32_t kFirstRetryMs = 1000;
constexpr std::uint32_t kLongestRetryMs = 8000;
constexpr std::uint32_t kRetryGiveUpMs = 300000;
constexpr std::uint32_t kRestoreWatchPeriodMs = 500;
constexpr std::uint32_t kRestoreWatchGiveUpMs = 240000;
// How long the camera may take to check an image before it answers the POST:
// longer than the program waits for a firmware verdict.
constexpr std::uint32_t kImageCheckMs = 300000;
// The longest UploadDelay a camera may ask for before the image is sent.
constexpr auto kLongestUploadDelay = std::chrono::seconds(60);
// A live stream that was lost is opened again after this pause.
constexpr std::uint32_t kPlayRetryMs = 1000;
// A section's request body is a few KiB; this is far above any.
constexpr std::size_t kMaxSectionBytes = 64 * 1024;

std::chrono::steady_clock::duration scaled(std::uint32_t ms)
{
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(scaledDuration(ms));
}

std::string textOf(const char* text)
{
    return text ? std::string(text, strnlen(text, 256)) : std::string();
}

std::string deviceServiceAt(const std::string& address, std::uint16_t port)
{
    return "http://" + address + ":" + std::to_string(port) + "/onvif/device_service";
}

TransportOptions transportOptions(const OnvifLibraryOptions& options)
{
    TransportOptions transport;
    transport.lanAllowed = !options.loopbackOnly;
    return transport;
}

TransportOptions searchTransportOptions(const OnvifLibraryOptions& options)
{
    TransportOptions transport = transportOptions(options);
    transport.connectTimeout = std::chrono::milliseconds(2000);
    transport.totalTimeout = std::chrono::milliseconds(3000);
    return transport;
}

// The POST's answer that is the camera's verdict on the image: 415 (not an
// image it takes) or 500 (it failed to install); any other refusal ends the
// upload itself.
bool isImageVerdict(const CameraRefusal& refusal)
{
    return refusal.httpStatus == 415 || refusal.httpStatus == 500;
}

} // namespace

OnvifLibrary::OnvifLibrary(OnvifLibraryOptions options)
    : m_options(std::move(options)),
      m_credentials(m_options.credentials ? m_options.credentials
                                          : std::make_shared<credentials::CredentialStore>()),
      m_transport(std::make_shared<HttpTransport>(transportOptions(m_options))),
      m_searchTransport(std::make_shared<HttpTransport>(searchTransportOptions(m_options))),
      m_lastLoginHandle(std::max(m_options.firstHandle, 1) - 1)
{
    m_clientOptions.transport = m_transport->options();
    m_clientOptions.upload.answerTimeout = std::max<std::chrono::milliseconds>(
        std::chrono::duration_cast<std::chrono::milliseconds>(scaledDuration(kImageCheckMs)),
        std::chrono::seconds(10));
}

OnvifLibrary::~OnvifLibrary()
{
    std::map<int, SessionPtr> sessions;
    std::vector<UploadThread> uploads;
    std::vector<std::unique_ptr<LivePlay>> plays;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_started = false;
        sessions.swap(m_sessions);
        uploads.swap(m_uploads);
        for (auto& [handle, play] : m_plays)
            plays.push_back(std::move(play));
        m_plays.clear();
        std::move(m_stoppedPlays.begin(), m_stoppedPlays.end(), std::back_inserter(plays));
        m_stoppedPlays.clear();
    }
    for (const auto& play : plays)
        play->stop();
    for (auto& [handle, session] : sessions) {
        session->closed = true;
        session->stop.request_stop();
    }
    // Calls that are waiting for a camera end now instead of at their limits.
    m_transport->cancelAll();
    m_searchTransport->cancelAll();
    uploads.clear(); // each jthread is asked to stop and joined
    plays.clear();   // each play's thread is waited for
    if (m_pool)
        m_pool->shutdown();
    if (m_search)
        m_search->shutdown();
}

bool OnvifLibrary::started() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

credentials::SiteCredentials OnvifLibrary::siteCredentials() const
{
    return m_credentials->snapshot();
}

bool OnvifLibrary::post(JobPool::Job job)
{
    return m_pool && m_pool->post(std::move(job));
}

int OnvifLibrary::Init()
{
    std::lock_guard lock(m_mutex);
    if (m_started || m_stopping)
        return m_started ? 0 : kFailed;
    m_pool = std::make_unique<JobPool>(m_options.workerThreads);
    SearchSetup setup;
    setup.discovery.loopbackOnly = m_options.loopbackOnly;
    setup.discovery.lanInterface = m_options.lanInterface;
    setup.discovery.port = m_options.discoveryPort;
    setup.discovery.scanTargets = m_options.scanTargets;
    setup.client.transport = m_searchTransport->options();
    setup.transport = m_searchTransport;
    setup.credentials = m_credentials;
    m_search = std::make_unique<OnvifSearch>(*m_pool, std::move(setup));
    // A discovery socket that cannot open leaves search unusable, not the rest.
    m_search->open();
    m_started = true;
    return 0;
}

std::string OnvifLibrary::searchProblem() const
{
    return m_search ? m_search->problem() : "the ONVIF library was not started";
}

int OnvifLibrary::SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user)
{
    m_callbacks.setStatus(callback, user);
    return 0;
}

int OnvifLibrary::SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user)
{
    m_callbacks.setAnswer(callback, user);
    return 0;
}

void OnvifLibrary::emitStatus(const SessionPtr& session, int event)
{
    if (session->closed)
        return;
    if (session->holdOrDeliver(event))
        m_callbacks.status(session->handle, event);
}

void OnvifLibrary::answer(int loginHandle, int code, const std::string& text)
{
    m_callbacks.answer(loginHandle, code, text.c_str());
}

void OnvifLibrary::notice(const std::string& line) const
{
    if (m_options.notice)
        m_options.notice(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

// ---- search -----------------------------------------------------------------

int OnvifLibrary::StartSearchIPC()
{
    if (!started())
        return kFailed;
    return m_search->start() ? 0 : kFailed;
}

int OnvifLibrary::StopSearchIPC()
{
    if (!started())
        return kFailed;
    m_search->stop();
    return 0;
}

int OnvifLibrary::GetSearchIPCCount()
{
    return started() ? m_search->count() : 0;
}

int OnvifLibrary::GetIPCInfo(int index, _IPCINFO* info)
{
    if (info == nullptr || !started())
        return kFailed;
    const auto camera = m_search->result(index);
    if (!camera)
        return kFailed;
    const auto site = siteCredentials();
    const auto candidates = credentials::loginCandidates(site, camera->serialNo, camera->ipAddress);
    fillIpcInfo(*camera,
                candidates.empty() ? credentials::LoginPair{"admin", ""} : candidates.front(),
                *info);
    return 0;
}

int OnvifLibrary::ModifyIPC(int index, const _IPCINFO* info)
{
    if (info == nullptr || !started())
        return kFailed;
    // The camera is named by the serial and MAC of the block handed back; the
    // position is only used when the block names nobody.
    const std::string serial(fieldText(info->serialNo));
    const std::string mac(fieldText(info->macAddress));
    std::optional<ListedCamera> camera;
    for (int i = 0, count = m_search->count(); i < count && !serial.empty(); ++i) {
        auto candidate = m_search->result(i);
        if (candidate && candidate->serialNo == serial &&
            (mac.empty() || strcasecmp(candidate->macAddress.c_str(), mac.c_str()) == 0)) {
            camera = std::move(candidate);
            break;
        }
    }
    if (!camera && serial.empty())
        camera = m_search->result(index);
    const std::string address(fieldText(info->ipAddress));
    const std::string gateway(fieldText(info->gateway));
    const auto prefix = netmaskToPrefix(fieldText(info->netmask));
    if (!camera || camera->deviceServiceUrl.empty() || camera->interfaceToken.empty() ||
        !camera->login || !isIPv4Address(address) || !prefix ||
        !mayReach(address, !m_options.loopbackOnly) ||
        (!gateway.empty() && !isIPv4Address(gateway)))
        return kFailed;
    return moveCamera(*camera, address, *prefix, gateway) ? 0 : kFailed;
}

// The address is set on the caller's thread, so cameras move in the order the
// program asks (a camera may take the address another one just left) and a
// refusal is the call's result. The gateway and a reboot the camera asks for
// follow on the job pool.
bool OnvifLibrary::moveCamera(const ListedCamera& camera, const std::string& address,
                              int prefixLength, const std::string& gateway)
{
    const Credentials login{camera.login->user, camera.login->password};
    auto client = std::make_shared<DeviceClient>(camera.deviceServiceUrl, login, m_clientOptions,
                                                 m_transport);
    const auto moved = client->setNetworkInterfaces(camera.interfaceToken, address, prefixLength);
    if (!moved.ok())
        return false;
    const bool rebootNeeded = *moved.value();
    if (gateway.empty() && !rebootNeeded)
        return true;
    const auto newUrl = withHost(camera.deviceServiceUrl, address);
    post([this, client, newUrl, login, gateway, rebootNeeded] {
        if (!gateway.empty()) {
            if (rebootNeeded || !newUrl) {
                client->setNetworkDefaultGateway(gateway);
            } else {
                // The camera answered from its old address.
                DeviceClient movedClient(*newUrl, login, m_clientOptions, m_transport);
                runAtNewAddress(movedClient, "SetNetworkDefaultGateway",
                                buildSetNetworkDefaultGateway(gateway));
            }
        }
        if (rebootNeeded)
            client->systemReboot();
    });
    return true;
}

// ---- login ------------------------------------------------------------------

OnvifLibrary::SessionPtr OnvifLibrary::findSession(int loginHandle) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(loginHandle);
    return found == m_sessions.end() ? nullptr : found->second;
}

OnvifLibrary::SessionPtr OnvifLibrary::loggedInSession(int loginHandle) const
{
    auto session = findSession(loginHandle);
    return session && session->loggedIn ? session : nullptr;
}

int OnvifLibrary::Login(const char* ip, std::uint16_t port, const char* user, const char* password,
                        int /*reserved*/)
{
    const std::string address = textOf(ip);
    if (port == 0 || !isIPv4Address(address) || !mayReach(address, !m_options.loopbackOnly) ||
        !started())
        return kFailed;
    const auto listed = m_search->findByAddress(address, port);
    const std::string url = listed && !listed->deviceServiceUrl.empty()
                                ? listed->deviceServiceUrl
                                : deviceServiceAt(address, port);
    SessionPtr session;
    {
        std::lock_guard lock(m_mutex);
        if (!m_started || m_lastLoginHandle == INT_MAX)
            return kFailed;
        session = std::make_shared<OnvifSession>(++m_lastLoginHandle, address, port, url);
        m_sessions.emplace(session->handle, session);
    }
    if (const std::string name = textOf(user); !name.empty())
        session->given = credentials::LoginPair{name, textOf(password)};
    if (listed)
        session->serialNo = listed->serialNo;
    if (!post([this, session] { attemptLogin(session); })) {
        std::lock_guard lock(m_mutex);
        m_sessions.erase(session->handle);
        return kFailed;
    }
    for (const int event : session->handOut())
        m_callbacks.status(session->handle, event);
    return session->handle;
}

// Tries the camera's pairs in order. A camera that took a pair is logged in,
// even when it then refused the question for another reason; one that
// answers a lockout is not tried further; one that cannot be reached is tried
// again while auto-reconnect is on (it may still be rebooting).
void OnvifLibrary::attemptLogin(const SessionPtr& session)
{
    if (session->closed)
        return;
    const auto candidates = credentials::loginCandidates(siteCredentials(), session->serialNo,
                                                         session->address, session->given);
    for (const credentials::LoginPair& pair : candidates) {
        auto client = std::make_shared<DeviceClient>(
            session->url, Credentials{pair.user, pair.password}, m_clientOptions, m_transport);
        const auto information = client->getDeviceInformation();
        if (session->closed)
            return;
        if (information.lockout())
            return loginFailed(session);
        if (information.loginRefused())
            continue;
        if (information.transportError())
            return retryLogin(session);
        if (information.malformed())
            return loginFailed(session);
        if (information.ok() && !information.value()->serialNumber.empty())
            session->serialNo = information.value()->serialNumber;
        session->setClient(std::move(client), Credentials{pair.user, pair.password});
        m_search->rememberLogin(session->address, session->port, pair);
        session->loggedIn = true;
        emitStatus(session, SDK_EVENT_LOGIN_OK);
        return;
    }
    loginFailed(session);
}

void OnvifLibrary::retryLogin(const SessionPtr& session)
{
    const auto now = std::chrono::steady_clock::now();
    if (session->attempts++ == 0)
        session->retryingSince = now;
    // The first failure is always tried once more: auto-reconnect is switched
    // on just after the login call returns, and may not be on yet.
    const bool mayRetry = session->autoReconnect || session->attempts == 1;
    if (!mayRetry || now - session->retryingSince > scaled(kRetryGiveUpMs))
        return loginFailed(session);
    const std::uint32_t delay =
        std::min(kLongestRetryMs, kFirstRetryMs << std::min(session->attempts - 1, 3));
    if (!m_pool->postAfter(scaled(delay), [this, session] { attemptLogin(session); }))
        loginFailed(session);
}

void OnvifLibrary::loginFailed(const SessionPtr& session)
{
    emitStatus(session, SDK_EVENT_LOGIN_FAILED);
}

int OnvifLibrary::SetAutoReconnect(int loginHandle, int enable)
{
    const auto session = findSession(loginHandle);
    if (!session)
        return kFailed;
    session->autoReconnect = enable != 0;
    return 0;
}

int OnvifLibrary::Logout(int loginHandle)
{
    SessionPtr session;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_sessions.find(loginHandle);
        if (found == m_sessions.end())
            return kFailed;
        session = found->second;
        m_sessions.erase(found);
    }
    session->closed = true;
    session->stop.request_stop();
    return 0;
}

// ---- commands ---------------------------------------------------------------

int OnvifLibrary::SystemControl(int loginHandle, int command, int /*channel*/,
                                const char* /*request*/)
{
    const auto session = loggedInSession(loginHandle);
    if (!session || command < 0 || static_cast<std::uint32_t>(command) > proto::kCommandMask)
        return kFailed;
    return post([this, session, command] { runCommand(session, command); }) ? 0 : kFailed;
}

void OnvifLibrary::runCommand(const SessionPtr& session, int command)
{
    if (session->closed)
        return;
    switch (static_cast<std::uint32_t>(command)) {
    case proto::kCodeVersion:
        return answerVersion(session);
    case proto::kCodeSetTime:
        return setTime(session);
    case proto::kCodeReboot:
        return reboot(session);
    case proto::kCodeFactoryRestore:
        return restore(session);
    default:
        // Storage, format and the rest have no ONVIF operation.
        answer(session->handle, sdkRefusalOf(command));
    }
}

void OnvifLibrary::answerVersion(const SessionPtr& session)
{
    const auto information = session->client()->getDeviceInformation();
    if (session->closed || information.transportError())
        return; // no answer: the program's own time limit decides
    if (information.ok())
        answer(session->handle, static_cast<int>(proto::kCodeVersion),
               versionAnswer(*information.value()));
    else
        answer(session->handle, sdkRefusalOf(static_cast<int>(proto::kCodeVersion)));
}

// The computer's time in UTC, Manual; the camera's own zone is sent back as it
// was, so its local time follows.
void OnvifLibrary::setTime(const SessionPtr& session)
{
    const auto client = session->client();
    std::optional<ZoneSetting> keep;
    if (const auto current = client->getSystemDateAndTime();
        current.ok() && !current.value()->timeZone.empty())
        keep = ZoneSetting{current.value()->timeZone, current.value()->daylightSavings};
    const auto set = client->setSystemDateAndTime(std::chrono::system_clock::now(), keep);
    if (session->closed || set.transportError())
        return;
    answer(session->handle, set.ok() ? static_cast<int>(proto::kCodeSetTime)
                                     : sdkRefusalOf(static_cast<int>(proto::kCodeSetTime)));
}

void OnvifLibrary::reboot(const SessionPtr& session)
{
    session->client()->systemReboot();
}

// A soft factory default keeps the camera's address, so it stays reachable.
// It is listed again only once it was seen going away and coming back.
void OnvifLibrary::restore(const SessionPtr& session)
{
    const auto client = session->client();
    const std::string serial = session->serialNo;
    m_search->hold(serial);
    if (!client->setSystemFactoryDefault(FactoryDefault::Soft).ok()) {
        m_search->release(serial);
        return;
    }
    auto watcher =
        std::make_shared<DeviceClient>(session->url, Credentials{}, m_clientOptions, m_transport);
    const auto giveUp = std::chrono::steady_clock::now() + scaled(kRestoreWatchGiveUpMs);
    m_pool->postAfter(scaled(kRestoreWatchPeriodMs), [this, watcher, serial, giveUp] {
        watchRestore(watcher, serial, false, giveUp);
    });
}

void OnvifLibrary::watchRestore(std::shared_ptr<DeviceClient> client, std::string serialNo,
                                bool wentAway, std::chrono::steady_clock::time_point giveUp)
{
    if (std::chrono::steady_clock::now() > giveUp)
        return m_search->release(serialNo);
    const auto clock = client->getSystemDateAndTime();
    const bool answers = clock.ok() || clock.refusal();
    if (wentAway && answers)
        return m_search->release(serialNo);
    wentAway = wentAway || !answers;
    m_pool->postAfter(scaled(kRestoreWatchPeriodMs),
                      [this, client = std::move(client), serialNo = std::move(serialNo), wentAway,
                       giveUp] { watchRestore(client, serialNo, wentAway, giveUp); });
}

int OnvifLibrary::refuseLater(int loginHandle, int command)
{
    const auto session = loggedInSession(loginHandle);
    if (!session || command < 0 || static_cast<std::uint32_t>(command) > proto::kCommandMask)
        return kFailed;
    return post([this, session, command] {
        if (!session->closed)
            answer(session->handle, sdkRefusalOf(command));
    })
               ? 0
               : kFailed;
}

int OnvifLibrary::SetDVRConfig(int loginHandle, int command, int /*channel*/, const char* text,
                               int length)
{
    if (!sectionHasOnvifMapping(command))
        return refuseLater(loginHandle, command);
    const auto session = loggedInSession(loginHandle);
    if (!session)
        return kFailed;
    std::string body;
    if (text != nullptr && length > 0)
        body.assign(text, strnlen(text, std::min<std::size_t>(static_cast<std::size_t>(length),
                                                              kMaxSectionBytes)));
    return post([this, session, command, body = std::move(body)] {
        pushConfigSection(session, command, body);
    })
               ? 0
               : kFailed;
}

// One section of the configuration push; what it changed about signing in
// (the password, the device service's port) is taken over by the session and
// the site's credentials, so the next sections and the next login work.
void OnvifLibrary::pushConfigSection(const SessionPtr& session, int command,
                                     const std::string& body)
{
    if (session->closed)
        return;
    const auto client = session->client();
    Credentials login = session->login();
    const SectionPush push = pushSection(*client, command, body, login, m_clientOptions);
    if (session->closed || push.verdict == SectionVerdict::NoAnswer)
        return;
    if (push.newPassword || push.newHttpPort || push.newAddress) {
        std::string url = client->deviceServiceUrl();
        if (push.newHttpPort)
            url = withPort(url, *push.newHttpPort).value_or(url);
        if (push.newAddress)
            url = withHost(url, *push.newAddress).value_or(url);
        if (push.newPassword) {
            login.password = *push.newPassword;
            rememberPassword(session->serialNo, login);
        }
        session->setClient(std::make_shared<DeviceClient>(url, login, m_clientOptions, m_transport),
                           login);
    }
    for (const std::string& line : push.fitted)
        notice(session->serialNo + " (" + session->address + "): " + line);
    if (push.verdict != SectionVerdict::Set)
        answer(session->handle, sdkRefusalOf(command));
    else if (push.rebooting)
        answer(session->handle, command);
    else
        answer(session->handle, command, SDK_ANSWER_TAKEN_AT_ONCE);
}

void OnvifLibrary::rememberPassword(const std::string& serialNo, const Credentials& login)
{
    if (serialNo.empty())
        return;
    auto site = m_credentials->snapshot();
    const credentials::LoginPair pair{login.user, login.password};
    bool found = false;
    for (credentials::CameraLogin& camera : site.cameras) {
        if (camera.serial == serialNo) {
            camera.login = pair;
            found = true;
        }
    }
    if (!found)
        site.cameras.push_back(credentials::CameraLogin{serialNo, "", pair});
    m_credentials->replace(std::move(site));
}

int OnvifLibrary::GetDVRConfig(int loginHandle, int command, int /*channel*/, char* buffer,
                               int bufferSize, int* returned)
{
    // The answer would come through the response callback; nothing is
    // written here but an empty result.
    if (buffer != nullptr && bufferSize > 0)
        buffer[0] = '\0';
    if (returned != nullptr)
        *returned = 0;
    return refuseLater(loginHandle, command);
}

int OnvifLibrary::FormatDisk(int loginHandle, int disk)
{
    if (disk < 0 || disk > 2)
        return kFailed;
    return SystemControl(loginHandle, static_cast<int>(proto::kCodeFormat), 0, nullptr);
}

int OnvifLibrary::RestoreConfig(int loginHandle)
{
    return SystemControl(loginHandle, static_cast<int>(proto::kCodeFactoryRestore), 0, nullptr);
}

int OnvifLibrary::RebootDVR(int loginHandle)
{
    return SystemControl(loginHandle, static_cast<int>(proto::kCodeReboot), 0, nullptr);
}

// ---- firmware upload ----------------------------------------------------------

int OnvifLibrary::Upgrade(int loginHandle, const char* firmwarePath)
{
    const auto session = loggedInSession(loginHandle);
    if (!session || firmwarePath == nullptr)
        return kFailed;
    std::error_code error;
    const std::filesystem::path path(firmwarePath);
    if (!std::filesystem::is_regular_file(path, error) ||
        std::filesystem::file_size(path, error) == 0 || error)
        return kFailed;
    if (session->uploadPhase.exchange(static_cast<int>(UploadPhase::Running)) ==
        static_cast<int>(UploadPhase::Running))
        return kFailed; // one upload at a time
    session->uploadPercent = 0;
    std::lock_guard lock(m_mutex);
    if (!m_started)
        return kFailed;
    // Threads of ended uploads are joined here, so they do not pile up.
    std::erase_if(m_uploads, [](UploadThread& thread) { return thread.done->load(); });
    auto done = std::make_shared<std::atomic<bool>>(false);
    m_uploads.push_back(UploadThread{
        done,
        std::jthread([this, session, done, file = std::string(firmwarePath)](std::stop_token stop) {
            upload(session, file, stop);
            *done = true;
        })});
    return 0;
}

// StartFirmwareUpgrade, the camera's UploadDelay, then the POST of the image.
// Every byte sent is the upload's end (event 14); the POST's answer is the
// camera's verdict (1009 answered or refused).
void OnvifLibrary::upload(const SessionPtr& session, std::string firmwarePath,
                          std::stop_token threadStop)
{
    std::stop_callback forward(threadStop, [&session] { session->stop.request_stop(); });
    const std::stop_token stop = session->stop.get_token();
    const auto client = session->client();
    bool allSent = false;
    const auto ended = [&](int event) {
        session->uploadPhase = static_cast<int>(UploadPhase::Ended);
        emitStatus(session, event);
    };

    const auto started = client->startFirmwareUpgrade();
    if (!started.ok())
        return ended(SDK_EVENT_UPLOAD_FAILED);
    const auto delay = std::min<std::chrono::steady_clock::duration>(started.value()->uploadDelay,
                                                                     kLongestUploadDelay);
    for (const auto until = std::chrono::steady_clock::now() + delay;
         std::chrono::steady_clock::now() < until && !stop.stop_requested();)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const auto progress = [&](std::uint64_t sent, std::uint64_t total) {
        if (total == 0)
            return;
        session->uploadPercent = static_cast<int>(std::min<std::uint64_t>(sent * 100 / total, 100));
        if (sent >= total && !allSent) {
            allSent = true;
            emitStatus(session, SDK_EVENT_UPLOAD_DONE);
        }
    };
    const auto result =
        client->uploadFirmware(started.value()->uploadUri, firmwarePath, progress, stop);
    session->uploadPhase = static_cast<int>(UploadPhase::Ended);
    if (session->closed)
        return;
    const int verdict = static_cast<int>(proto::kCodeFirmwareVerdict);
    if (result.ok() || (result.refusal() && isImageVerdict(*result.refusal()))) {
        if (!allSent)
            emitStatus(session, SDK_EVENT_UPLOAD_DONE);
        answer(session->handle, result.ok() ? verdict : sdkRefusalOf(verdict));
        return;
    }
    // Ended before every byte was taken: the upload failed. After that, a
    // lost answer leaves the verdict to the program's own time limit.
    if (!allSent)
        emitStatus(session, SDK_EVENT_UPLOAD_FAILED);
}

int OnvifLibrary::GetUpgradeState(int loginHandle)
{
    const auto session = findSession(loginHandle);
    if (!session)
        return kFailed;
    return session->uploadPhase.load() == static_cast<int>(UploadPhase::None) ? kFailed : 0;
}

int OnvifLibrary::GetUpgradeProgress(int loginHandle)
{
    const auto session = findSession(loginHandle);
    if (!session || session->uploadPhase.load() == static_cast<int>(UploadPhase::None))
        return kFailed;
    return session->uploadPercent.load();
}

// ---- live play ------------------------------------------------------------------

int OnvifLibrary::RealPlayEx(int loginHandle, const char* ip, const char* userName,
                             const char* password, REAL_DATA_CALLBACK callback,
                             const IP_PLAY_CLIENTINFO* client, void* userValue)
{
    return RealPlayStream(loginHandle, ip, userName, password, callback, client, userValue,
                          SDK_STREAM_MAIN);
}

// The play signs in with the session's pair, whatever the caller passes: the
// session's is the one the camera took.
int OnvifLibrary::RealPlayStream(int loginHandle, const char* ip, const char* /*userName*/,
                                 const char* /*password*/, REAL_DATA_CALLBACK callback,
                                 const IP_PLAY_CLIENTINFO* client, void* userValue, int stream)
{
    if (callback == nullptr || client == nullptr ||
        (ip != nullptr && !mayReach(ip, !m_options.loopbackOnly)))
        return kFailed;
    const SessionPtr session = findSession(loginHandle);
    if (!session || session->closed || !session->loggedIn || !session->client())
        return kFailed;
    std::lock_guard lock(m_mutex);
    if (!m_started || m_lastLoginHandle == INT_MAX)
        return kFailed;
    dropFinishedPlaysLocked();
    const int playHandle = ++m_lastLoginHandle;
    auto sink = std::make_shared<sdk::PlaySink>(playHandle, callback, client->context, userValue);
    LivePlayTarget target{session->client(),
                          session->login(),
                          stream == SDK_STREAM_SUB,
                          session->serialNo,
                          !m_options.loopbackOnly,
                          [this, name = session->serialNo + " (" + session->address +
                                        "): "](const std::string& line) { notice(name + line); }};
    auto play = std::make_unique<LivePlay>(std::move(sink), std::move(target), RtspLimits{},
                                           scaledDuration(kPlayRetryMs));
    play->start();
    m_plays.emplace(playHandle, std::move(play));
    return playHandle;
}

int OnvifLibrary::StopRealPlay(int realPlayHandle)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_plays.find(realPlayHandle);
    if (found == m_plays.end())
        return kFailed;
    // No callback runs once stop() returns; the thread leaves on its own.
    found->second->stop();
    m_stoppedPlays.push_back(std::move(found->second));
    m_plays.erase(found);
    dropFinishedPlaysLocked();
    return 0;
}

void OnvifLibrary::dropFinishedPlaysLocked()
{
    std::erase_if(m_stoppedPlays,
                  [](const std::unique_ptr<LivePlay>& play) { return play->finished(); });
}

} // namespace vexlo::onvif
