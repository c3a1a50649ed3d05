#include "netsdk/net_sdk.h"

#include "netsdk/firmware_file.h"
#include "netsdk/search_client.h"
#include "netsdk/session.h"
#include "protocol/command_codes.h"
#include "protocol/search_record.h"
#include "sdk/fixed_field.h"
#include "sdk/play_sink.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

namespace vexlo::netsdk {

namespace {

namespace proto = vexlo::protocol;

constexpr int kFailed = -1;
// Real time the shutdown gives the last Close frames to leave.
constexpr std::chrono::milliseconds kShutdownGrace{500};

std::string textOrEmpty(const char* text)
{
    return text ? std::string(text) : std::string();
}

} // namespace

NetSdk::NetSdk(NetSdkOptions options)
    : m_options(std::move(options)), m_guard(m_options.loopbackOnly)
{
}

NetSdk::~NetSdk()
{
    std::map<int, std::shared_ptr<Session>> sessions;
    std::map<int, Play> plays;
    {
        std::lock_guard lock(m_mutex);
        sessions.swap(m_sessions);
        plays.swap(m_plays);
        m_started = false;
    }
    for (auto& [handle, play] : plays)
        play.sink->stop();
    for (auto& [handle, session] : sessions)
        session->close();
    if (m_search)
        m_search->shutdown();
    // Let the Close frames and the socket shutdowns run (the context stops by
    // itself once nothing is left to do), but never wait long for a peer.
    m_work.reset();
    const auto giveUp = std::chrono::steady_clock::now() + kShutdownGrace;
    while (!m_threads.empty() && !m_io.stopped() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_io.stop();
    for (auto& thread : m_threads)
        thread.join();
}

bool NetSdk::started() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

int NetSdk::Init()
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        return 0;
    m_search = std::make_shared<SearchClient>(m_io, m_options);
    // A search endpoint the guard refuses leaves search unusable, not the rest.
    m_search->open();
    m_work.emplace(asio::make_work_guard(m_io));
    const int threads = std::clamp(m_options.ioThreads, 1, 16);
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { m_io.run(); });
    m_started = true;
    return 0;
}

int NetSdk::SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user)
{
    m_callbacks.setStatus(callback, user);
    return 0;
}

int NetSdk::SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user)
{
    m_callbacks.setAnswer(callback, user);
    return 0;
}

void NetSdk::statusEvent(int loginHandle, int event)
{
    m_callbacks.status(loginHandle, event);
}

void NetSdk::answer(int loginHandle, int code, const char* text)
{
    m_callbacks.answer(loginHandle, code, text);
}

// ---- search -----------------------------------------------------------------

int NetSdk::StartSearchIPC()
{
    if (!started())
        return kFailed;
    return m_search->start() ? 0 : kFailed;
}

int NetSdk::StopSearchIPC()
{
    if (!started())
        return kFailed;
    m_search->stop();
    return 0;
}

int NetSdk::GetSearchIPCCount()
{
    if (!started())
        return 0;
    return m_search->count();
}

int NetSdk::GetIPCInfo(int index, _IPCINFO* info)
{
    if (info == nullptr || !started())
        return kFailed;
    const auto record = m_search->result(index);
    if (!record)
        return kFailed;
    record->toIpcInfo(*info);
    sdk::copyToFixedField(info->userName, m_options.userName);
    sdk::copyToFixedField(info->password, m_options.password);
    return 0;
}

int NetSdk::ModifyIPC(int index, const _IPCINFO* info)
{
    if (info == nullptr || !started())
        return kFailed;
    const proto::SearchRecord wanted = proto::SearchRecord::fromIpcInfo(*info);
    // The camera is named by the serial and MAC of the record the program hands
    // back: its row index can differ from the search position (recorders are
    // not listed), so the position is only used when the record names nobody.
    std::string serialNo = wanted.serialNo;
    std::string macAddress = wanted.macAddress;
    if (serialNo.empty()) {
        const auto found = m_search->result(index);
        if (!found)
            return kFailed;
        serialNo = found->serialNo;
        macAddress = found->macAddress;
    }
    return m_search->modifyAddress(serialNo, macAddress, wanted.ipAddress, wanted.netmask,
                                   wanted.gateway)
               ? 0
               : kFailed;
}

// ---- sessions ------------------------------------------------------------------

std::shared_ptr<Session> NetSdk::findSession(int loginHandle) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(loginHandle);
    return found == m_sessions.end() ? nullptr : found->second;
}

int NetSdk::Login(const char* ip, std::uint16_t port, const char* user, const char* password,
                  int /*reserved*/)
{
    if (ip == nullptr || port == 0 || !m_guard.allows(ip))
        return kFailed;
    SessionTarget target{ip, port, textOrEmpty(user), textOrEmpty(password)};
    std::shared_ptr<Session> session;
    {
        std::lock_guard lock(m_mutex);
        if (!m_started || m_lastLoginHandle == INT_MAX)
            return kFailed;
        const int handle = ++m_lastLoginHandle;
        session = std::make_shared<Session>(m_io, handle, std::move(target),
                                            static_cast<SessionEvents&>(*this));
        m_sessions.emplace(handle, session);
    }
    session->start();
    // Events of this login wait until here, so they always follow the handle.
    session->handOut();
    return session->loginHandle();
}

int NetSdk::SetAutoReconnect(int loginHandle, int enable)
{
    const auto session = findSession(loginHandle);
    if (!session)
        return kFailed;
    session->setAutoReconnect(enable != 0);
    return 0;
}

int NetSdk::Logout(int loginHandle)
{
    std::shared_ptr<Session> session;
    std::vector<std::shared_ptr<PlaySink>> sinks;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_sessions.find(loginHandle);
        if (found == m_sessions.end())
            return kFailed;
        session = found->second;
        m_sessions.erase(found);
        for (auto it = m_plays.begin(); it != m_plays.end();) {
            if (it->second.session.lock() == session) {
                sinks.push_back(it->second.sink);
                it = m_plays.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& sink : sinks)
        sink->stop();
    session->close();
    return 0;
}

// ---- commands -------------------------------------------------------------------

int NetSdk::sendCommand(int loginHandle, int command, int kind, int channel, std::string text)
{
    const auto session = findSession(loginHandle);
    if (!session)
        return kFailed;
    const auto code = static_cast<std::uint32_t>(command);
    if (command < 0 || code > proto::kCommandMask)
        return kFailed; // the answer could not carry it back
    return session->sendCommand(code, static_cast<proto::CallKind>(kind), channel, std::move(text))
               ? 0
               : kFailed;
}

int NetSdk::SystemControl(int loginHandle, int command, int channel, const char* request)
{
    // The request text runs up to its NUL, bounded by the protocol's limit.
    std::string text;
    if (request != nullptr)
        text.assign(request, strnlen(request, proto::kMaxTextSize));
    return sendCommand(loginHandle, command, static_cast<int>(proto::CallKind::SystemControl),
                       channel, std::move(text));
}

int NetSdk::SetDVRConfig(int loginHandle, int command, int channel, const char* text, int length)
{
    std::string body;
    if (text != nullptr && length > 0) {
        std::size_t size =
            std::min<std::size_t>(static_cast<std::size_t>(length), proto::kMaxTextSize + 1);
        // The program passes the length with its NUL; the NUL is not sent.
        if (text[size - 1] == '\0')
            --size;
        body.assign(text, std::min(size, proto::kMaxTextSize));
    }
    return sendCommand(loginHandle, command, static_cast<int>(proto::CallKind::SetDVRConfig),
                       channel, std::move(body));
}

int NetSdk::GetDVRConfig(int loginHandle, int command, int channel, char* buffer, int bufferSize,
                         int* returned)
{
    // The answer comes through the response callback; nothing is written here
    // but an empty result, so a caller's buffer never holds stale bytes.
    if (buffer != nullptr && bufferSize > 0)
        buffer[0] = '\0';
    if (returned != nullptr)
        *returned = 0;
    return sendCommand(loginHandle, command, static_cast<int>(proto::CallKind::GetDVRConfig),
                       channel, std::string());
}

int NetSdk::FormatDisk(int loginHandle, int disk)
{
    if (disk < 0 || disk > 2)
        return kFailed;
    return sendCommand(loginHandle, static_cast<int>(proto::kCodeFormat),
                       static_cast<int>(proto::CallKind::SystemControl), 0,
                       std::string(1, static_cast<char>('0' + disk)));
}

int NetSdk::RestoreConfig(int loginHandle)
{
    return sendCommand(loginHandle, static_cast<int>(proto::kCodeFactoryRestore),
                       static_cast<int>(proto::CallKind::SystemControl), 0, std::string());
}

int NetSdk::RebootDVR(int loginHandle)
{
    return sendCommand(loginHandle, static_cast<int>(proto::kCodeReboot),
                       static_cast<int>(proto::CallKind::SystemControl), 0, std::string());
}

// ---- firmware upload ----------------------------------------------------------------

int NetSdk::Upgrade(int loginHandle, const char* firmwarePath)
{
    const auto session = findSession(loginHandle);
    if (!session || firmwarePath == nullptr || !session->loggedIn())
        return kFailed;
    auto file = FirmwareFile::open(firmwarePath);
    if (!file)
        return kFailed;
    return session->startUpload(std::move(file)) ? 0 : kFailed;
}

int NetSdk::GetUpgradeState(int loginHandle)
{
    const auto session = findSession(loginHandle);
    return session ? session->uploadState() : kFailed;
}

int NetSdk::GetUpgradeProgress(int loginHandle)
{
    const auto session = findSession(loginHandle);
    return session ? session->uploadProgress() : kFailed;
}

// ---- live play --------------------------------------------------------------------------

int NetSdk::RealPlayEx(int loginHandle, const char* ip, const char* /*userName*/,
                       const char* /*password*/, REAL_DATA_CALLBACK callback,
                       const IP_PLAY_CLIENTINFO* client, void* userValue)
{
    // The stream runs on the login session; the address is still checked so
    // that nothing is ever started towards an address the guard refuses.
    if (callback == nullptr || client == nullptr || (ip != nullptr && !m_guard.allows(ip)))
        return kFailed;
    const auto session = findSession(loginHandle);
    if (!session || !session->loggedIn())
        return kFailed;
    std::shared_ptr<PlaySink> sink;
    int playHandle = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_lastPlayHandle == INT_MAX)
            return kFailed;
        playHandle = ++m_lastPlayHandle;
        sink = std::make_shared<PlaySink>(playHandle, callback, client->context, userValue);
        m_plays.emplace(playHandle, Play{session, 0, sink});
    }
    const std::uint32_t streamId =
        session->startPlay(sink, client->playParam, client->word1, client->word2);
    std::lock_guard lock(m_mutex);
    const auto found = m_plays.find(playHandle);
    if (streamId == 0) {
        if (found != m_plays.end())
            m_plays.erase(found);
        return kFailed;
    }
    if (found != m_plays.end())
        found->second.streamId = streamId;
    return playHandle;
}

int NetSdk::StopRealPlay(int realPlayHandle)
{
    Play play;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_plays.find(realPlayHandle);
        if (found == m_plays.end())
            return kFailed;
        play = found->second;
        m_plays.erase(found);
    }
    // Waits for a callback of this play running on an I/O thread; none follows.
    play.sink->stop();
    if (const auto session = play.session.lock(); session && play.streamId != 0)
        session->stopPlay(play.streamId);
    return 0;
}

} // namespace vexlo::netsdk
