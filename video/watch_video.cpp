#include "video/watch_video.h"

#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "sdk/player.h"
#include "video/live_data.h"

#include <algorithm>
#include <ctime>
#include <string>

namespace vexlo {
namespace {

// The login event is shared by every login of the program: a signal may belong
// to another device, or be taken by another waiter. The wait therefore looks
// for this handle's own answer after every signal and at least this often.
constexpr std::uint32_t kAnswerCheckMs = 100;

bool loggedIn(const _DEVICERECORD& device)
{
    return device.loginHandle.load() > 0 && device.loginState.load() > 0;
}

} // namespace

WatchVideo::WatchVideo(_DEVICERECORD* device, BatchState& state)
    : m_device(device), m_state(state), m_random(static_cast<std::uint32_t>(std::time(nullptr)))
{
}

WatchVideo::~WatchVideo()
{
    close();
}

void WatchVideo::onInitDialog(const std::function<void(std::uint32_t message)>& postToSelf)
{
    if (postToSelf)
        postToSelf(kStartMessage);
}

void WatchVideo::onMessage(std::uint32_t message)
{
    if (message == kStartMessage && !m_closed)
        start();
}

void WatchVideo::start()
{
    if (!m_device || m_realPlayHandle.load() > 0)
        return;
    for (int attempt = 0; attempt < kLoginAttempts && !loggedIn(*m_device); ++attempt) {
        if (loginAndWait())
            break;
    }
    if (!loggedIn(*m_device))
        return; // the window stays black
    _DEVICERECORD& device = *m_device;
    const std::string ip(fieldText(device.ipAddress));
    const std::string user(fieldText(device.userName));
    const std::string password(fieldText(device.password));
    const IP_PLAY_CLIENTINFO client{device.playParam, 1, 1, this};
    m_realPlayHandle =
        IP_NET_DVR_RealPlayEx(device.loginHandle.load(), ip.c_str(), user.c_str(), password.c_str(),
                              &WatchVideo::RealDataCallBack, &client, nullptr);
}

bool WatchVideo::loginAndWait()
{
    _DEVICERECORD& device = *m_device;
    if (device.loginHandle.load() > 0 && device.loginState.load() == kLoginConfirmed)
        return true;
    const std::string ip(fieldText(device.ipAddress));
    const std::string user(fieldText(device.userName));
    const std::string password(fieldText(device.password));
    const int handle = IP_NET_DVR_Login(ip.c_str(), device.port, user.c_str(), password.c_str(), 0);
    if (handle <= 0)
        return false;
    // The state is cleared before the handle is stored: a status callback that
    // finds the record by this handle writes its answer after the clearing.
    device.loginState = kLoginUndecided;
    device.loginHandle = handle;

    // Only this handle's own answer counts: the status callback keeps it for us
    // (or writes it into the record when the record is in applyList). A signal
    // of the event alone may be another device's answer, and a refusal is a
    // failure, not a success.
    const std::uint32_t start = GetTickCount();
    int result = 0;
    for (;;) {
        result = m_state.claimLoginResult(handle);
        if (result == 0)
            result = device.loginState.load();
        const std::uint32_t waited = ticksSince(start);
        if (result != 0 || waited >= kLoginWaitMs)
            break;
        m_state.loginEvent->wait(std::min(kLoginWaitMs - waited, kAnswerCheckMs));
    }
    if (result == 1) {
        device.loginState = kLoginConfirmed;
        return true;
    }
    // Timed out or refused. The handle is given back so that its connection
    // does not live on unowned.
    device.loginHandle = 0;
    device.loginState = kLoginUndecided;
    IP_NET_DVR_Logout(handle);
    return false;
}

void WatchVideo::close()
{
    if (m_closed)
        return;
    m_closed = true;
    // StopRealPlay returns only once a data callback of this play that is
    // running has finished, and none follows: after it nothing touches this
    // window from the device library's threads.
    if (const int handle = m_realPlayHandle.load(); handle > 0) {
        IP_NET_DVR_StopRealPlay(handle);
        m_realPlayHandle = 0;
    }
    if (const int port = m_playerPort.load(); port > 0) {
        IP_ORV_Stop(port);
        m_playerPort = 0;
    }
    Sleep(kCloseWaitMs);
}

int WatchVideo::choosePort(void* self)
{
    return singleWindowPort(static_cast<WatchVideo*>(self)->m_random.next());
}

int WatchVideo::RealDataCallBack(int, int dataKind, const unsigned char* data, int length,
                                 const IP_FRAME_INFO* frameInfo, void*)
{
    if (!frameInfo || !frameInfo->context)
        return -1;
    WatchVideo& self = *static_cast<WatchVideo*>(frameInfo->context);
    if (self.m_realPlayHandle.load() <= 0)
        return -1;
    LivePlayRoute route;
    route.port = &self.m_playerPort;
    route.choosePort = &WatchVideo::choosePort;
    route.owner = &self;
    route.opensAudio = true;
    route.target = self.m_target.load();
    return feedPlayer(route, dataKind, data, length, frameInfo);
}

} // namespace vexlo
