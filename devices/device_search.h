#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct _IPCINFO;

// The LAN search: clearing the list, starting the device library's search and
// listing its results on timer 1000, up to the expected number of devices,
// with a 20-second window after which the user is asked whether to go on.
// Everything runs on the user-interface thread. The search owns the device
// records; a record lives from the search that listed it until the list is
// next cleared.
namespace vexlo {
struct BatchState;
struct _DEVICERECORD;

class CReportCtrl;
class DiscoveryHost;
class UiPort;

inline constexpr std::uint32_t kSearchTimerId = 1000;
inline constexpr std::uint32_t kVerifyTimerId = 1007;
inline constexpr std::uint32_t kSearchTimerPeriodMs = 1500;
inline constexpr std::uint32_t kSearchWindowMs = 20000;
// More rows than this and no more results are fetched.
inline constexpr int kMaxFetchedRows = 253;

// A search result whose type is exactly "NVR": never listed.
bool isNvrEntry(const _IPCINFO& info);

class DeviceSearch
{
public:
    DeviceSearch(UiPort& ui, CReportCtrl& list, BatchState& state, DiscoveryHost& host);
    ~DeviceSearch();

    DeviceSearch(const DeviceSearch&) = delete;
    DeviceSearch& operator=(const DeviceSearch&) = delete;

    // Instruction slot 0 and the hidden button 1002.
    void start();
    // Timer 1000.
    void onSearchTimer();

    // Drops the queued row updates (each names a record about to go), empties
    // applyList, logs out and frees every record and deletes the rows.
    void clearList();
    // Starts the device library's search anew with the window measured from
    // now, and starts `timerId` to poll it.
    void restartSearch(std::uint32_t timerId);

    enum class Window
    {
        Open,      // within the window: go on polling
        Reopened,  // the user chose to keep searching; the window starts again
        Abandoned, // the user said No: the search is stopped, the sequence finished
    };
    // The 20-second window of `timerId`'s search, with its question once it
    // has passed.
    Window checkWindow(std::uint32_t timerId);

    // Lists the results not examined yet, skipping failed reads and NVR
    // entries, until the list holds the expected number of devices.
    void fetchResults();

private:
    void appendDevice(const _IPCINFO& info);

    UiPort& m_ui;
    CReportCtrl& m_list;
    BatchState& m_state;
    DiscoveryHost& m_host;
    std::vector<std::unique_ptr<_DEVICERECORD>> m_records;
    // The device library's positions are counted on their own, not by the
    // rows listed: a skipped NVR entry or a failed read is a position that
    // made no row, and must not be examined (and its successor listed) again.
    int m_examinedPositions = 0;
    std::uint32_t m_searchStartTick = 0;
};

} // namespace vexlo
