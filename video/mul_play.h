#pragma once

#include "sdk/netsdk.h"
#include "video/sta_wnd.h"
#include "video/wall_layout.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

// The live video wall: the ticked devices' streams side by side in a square
// grid of panes, one device per pane. The front end makes a full-screen modal
// window, asks for the panes of its client area, gives each pane the window the
// player draws into, starts the plays, and closes the wall when its window
// closes. The wall neither logs devices in nor out: a device that is not
// logged in keeps a black pane.
namespace vexlo {
struct _DEVICERECORD;

// One device shown. The real-play handle and the port are read by the data
// callback on the device library's threads while the user-interface thread
// writes them, hence atomics.
struct WallSlot
{
    _DEVICERECORD* device = nullptr;
    CStaWnd* pane = nullptr;
    std::atomic<int> playerPort{0};     // 0 = none yet
    std::atomic<int> realPlayHandle{0}; // 0 = none
};

class CMULPLay
{
public:
    static constexpr int kMaxDevices = 250;

    // Takes the first kMaxDevices devices, in the order given.
    explicit CMULPLay(const std::vector<_DEVICERECORD*>& devices);
    ~CMULPLay(); // closes the wall if the front end has not
    CMULPLay(const CMULPLay&) = delete;
    CMULPLay& operator=(const CMULPLay&) = delete;

    int deviceCount() const { return m_deviceCount; }
    int gridSide() const { return m_gridSide; }
    int paneCount() const { return static_cast<int>(m_panes.size()); }

    // Makes the grid's panes for a client area and returns their rectangles in
    // row-major order; pane k shows slot k's device (spare panes none). Once.
    const std::vector<PaneRect>& createPanes(const PaneRect& client);
    const std::vector<PaneRect>& paneRects() const { return m_paneRects; }
    CStaWnd& pane(int index) { return *m_panes.at(static_cast<std::size_t>(index)); }

    // Starts the real play of every logged-in device, its slot as the context.
    void startPlays();
    // Stops every play and every player port. Safe to call again.
    void close();

    const WallSlot& slot(int index) const { return m_slots.at(static_cast<std::size_t>(index)); }

    // The data callback given to IP_NET_DVR_RealPlayEx; the frame information's
    // context is the slot.
    static int RealDataCallBack(int realPlayHandle, int dataKind, const unsigned char* data,
                                int length, const IP_FRAME_INFO* frameInfo, void* user);

private:
    std::array<WallSlot, kMaxDevices> m_slots;
    int m_deviceCount = 0;
    int m_gridSide = 1;
    std::vector<std::unique_ptr<CStaWnd>> m_panes;
    std::vector<PaneRect> m_paneRects;
};

} // namespace vexlo
