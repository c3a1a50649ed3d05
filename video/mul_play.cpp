#include "video/mul_play.h"

#include "engine/device_record.h"
#include "platform/codepage.h"
#include "sdk/player.h"
#include "video/live_data.h"
#include "video/player_ports.h"

#include <algorithm>
#include <string>

namespace vexlo {
namespace {

int wallPortFor(void*)
{
    return takeWallPort();
}

bool loggedIn(const _DEVICERECORD& device)
{
    return device.loginHandle.load() > 0 && device.loginState.load() > 0;
}

} // namespace

CMULPLay::CMULPLay(const std::vector<_DEVICERECORD*>& devices)
{
    m_deviceCount = static_cast<int>(std::min<std::size_t>(devices.size(), kMaxDevices));
    for (int i = 0; i < m_deviceCount; ++i)
        m_slots[static_cast<std::size_t>(i)].device = devices[static_cast<std::size_t>(i)];
    m_gridSide = vexlo::gridSide(m_deviceCount);
}

CMULPLay::~CMULPLay()
{
    close();
}

const std::vector<PaneRect>& CMULPLay::createPanes(const PaneRect& client)
{
    if (!m_panes.empty())
        return m_paneRects;
    m_paneRects = paneRectangles(client, m_gridSide);
    m_panes.reserve(m_paneRects.size());
    for (std::size_t k = 0; k < m_paneRects.size(); ++k) {
        _DEVICERECORD* device = k < m_slots.size() ? m_slots[k].device : nullptr;
        m_panes.push_back(std::make_unique<CStaWnd>(device));
        if (k < m_slots.size())
            m_slots[k].pane = m_panes.back().get();
    }
    return m_paneRects;
}

void CMULPLay::startPlays()
{
    for (int i = 0; i < m_deviceCount; ++i) {
        WallSlot& slot = m_slots[static_cast<std::size_t>(i)];
        if (!slot.device || !loggedIn(*slot.device) || slot.realPlayHandle.load() > 0)
            continue;
        _DEVICERECORD& device = *slot.device;
        const std::string ip(fieldText(device.ipAddress));
        const std::string user(fieldText(device.userName));
        const std::string password(fieldText(device.password));
        const IP_PLAY_CLIENTINFO client{device.playParam, 1, 1, &slot};
        // A header that arrives before the handle is stored here is refused by
        // the callback, as is everything of a play that failed to start.
        // A pane is small: the camera's sub stream, where it has one.
        slot.realPlayHandle = IP_NET_DVR_RealPlayStream(
            device.loginHandle.load(), ip.c_str(), user.c_str(), password.c_str(),
            &CMULPLay::RealDataCallBack, &client, nullptr, SDK_STREAM_SUB);
    }
}

void CMULPLay::close()
{
    for (int i = 0; i < m_deviceCount; ++i) {
        WallSlot& slot = m_slots[static_cast<std::size_t>(i)];
        // StopRealPlay returns only once a data callback of this play that is
        // running has finished, and none follows: after it the slot is ours
        // alone, so its port can be stopped and the slot freed with the wall.
        if (const int handle = slot.realPlayHandle.load(); handle > 0) {
            IP_NET_DVR_StopRealPlay(handle);
            slot.realPlayHandle = 0;
        }
        if (const int port = slot.playerPort.load(); port > 0) {
            IP_ORV_Stop(port);
            slot.playerPort = 0;
        }
    }
}

int CMULPLay::RealDataCallBack(int, int dataKind, const unsigned char* data, int length,
                               const IP_FRAME_INFO* frameInfo, void*)
{
    if (!frameInfo || !frameInfo->context)
        return -1;
    WallSlot& slot = *static_cast<WallSlot*>(frameInfo->context);
    if (slot.realPlayHandle.load() <= 0)
        return -1;
    LivePlayRoute route;
    route.port = &slot.playerPort;
    route.choosePort = &wallPortFor;
    route.target = slot.pane ? slot.pane->renderTarget() : nullptr;
    return feedPlayer(route, dataKind, data, length, frameInfo);
}

} // namespace vexlo
