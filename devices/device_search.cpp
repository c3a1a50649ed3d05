#include "devices/device_search.h"

#include "devices/discovery_host.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/codepage.h"
#include "platform/tick.h"
#include "platform/ui_port.h"
#include "sdk/netsdk.h"

#include <cstring>
#include <new>

namespace vexlo {
namespace {

// A listed cell holds at most this many characters of a device's text.
constexpr std::size_t kMaxCellCharacters = 256;

std::u16string cellTextOf(const char* field, std::size_t width)
{
    std::u16string text = gbkToUtf16(fieldText(field, width));
    if (text.size() > kMaxCellCharacters)
        text.resize(kMaxCellCharacters);
    return text;
}

template <std::size_t N> std::u16string cellTextOf(const char (&field)[N])
{
    return cellTextOf(field, N);
}

} // namespace

bool isNvrEntry(const _IPCINFO& info)
{
    return std::memcmp(info.deviceType, "NVR", 4) == 0;
}

DeviceSearch::DeviceSearch(UiPort& ui, CReportCtrl& list, BatchState& state, DiscoveryHost& host)
    : m_ui(ui), m_list(list), m_state(state), m_host(host)
{
}

DeviceSearch::~DeviceSearch()
{
    // Queued row updates name records that go with this object.
    m_ui.removePosted(WM_ROW_UPDATE);
    for (int row = 0; row < m_list.rowCount(); ++row)
        m_list.attachDevice(row, nullptr);
}

void DeviceSearch::start()
{
    m_host.showTickedCount(0);
    m_host.showUpgradeCounts(0, 0);
    m_host.showCurrentAction(currentText(m_state, TextId::ActionSearching));
    clearList();
    IP_NET_DVR_StartSearchIPC();
    m_examinedPositions = 0;
    m_host.enableSearchButton(false);
    m_searchStartTick = GetTickCount();
    m_ui.setTimer(kSearchTimerId, kSearchTimerPeriodMs);
}

void DeviceSearch::onSearchTimer()
{
    if (checkWindow(kSearchTimerId) != Window::Open)
        return;
    fetchResults();
    m_host.repaint();
    if (m_list.rowCount() >= m_host.expectedDeviceCount()) {
        m_ui.killTimer(kSearchTimerId);
        IP_NET_DVR_StopSearchIPC();
        m_host.searchReachedExpected();
    }
}

void DeviceSearch::clearList()
{
    m_ui.removePosted(WM_ROW_UPDATE);
    m_state.applyList.clear();
    for (int row = 0; row < m_list.rowCount(); ++row) {
        _DEVICERECORD* record = m_list.deviceOfRow(row);
        if (!record)
            continue;
        const int handle = record->loginHandle.load();
        if (handle > 0) {
            IP_NET_DVR_Logout(handle);
            record->loginHandle = 0;
            record->loginState = kLoginUndecided;
        }
        m_list.attachDevice(row, nullptr);
    }
    m_records.clear();
    m_list.deleteAllRows();
    m_host.showTotalCount(0);
    m_host.showTickedCount(0);
}

void DeviceSearch::restartSearch(std::uint32_t timerId)
{
    IP_NET_DVR_StartSearchIPC();
    m_examinedPositions = 0;
    m_searchStartTick = GetTickCount();
    m_ui.setTimer(timerId, kSearchTimerPeriodMs);
}

DeviceSearch::Window DeviceSearch::checkWindow(std::uint32_t timerId)
{
    if (ticksSince(m_searchStartTick) <= kSearchWindowMs)
        return Window::Open;
    // Stopped first: the question is modal and ticks go on while it is open.
    m_ui.killTimer(timerId);
    if (m_ui.askYesNo(std::u16string(currentText(m_state, TextId::AskContinueSearch)))) {
        m_searchStartTick = GetTickCount();
        m_ui.setTimer(timerId, kSearchTimerPeriodMs);
        return Window::Reopened;
    }
    IP_NET_DVR_StopSearchIPC();
    m_host.finishSequence();
    return Window::Abandoned;
}

void DeviceSearch::fetchResults()
{
    if (m_list.rowCount() > kMaxFetchedRows)
        return;
    const int found = IP_NET_DVR_GetSearchIPCCount();
    while (m_examinedPositions < found) {
        _IPCINFO info{};
        if (IP_NET_DVR_GetIPCInfo(m_examinedPositions, &info) != 0 || isNvrEntry(info)) {
            ++m_examinedPositions;
            continue;
        }
        if (m_list.rowCount() >= m_host.expectedDeviceCount())
            break;
        ++m_examinedPositions;
        appendDevice(info);
    }
    m_host.showTotalCount(m_list.rowCount());
}

void DeviceSearch::appendDevice(const _IPCINFO& info)
{
    std::unique_ptr<_DEVICERECORD> record(new (std::nothrow) _DEVICERECORD{});
    if (!record)
        return; // the result is dropped, as a failed read would be
    static_cast<_IPCINFO&>(*record) = info;
    const int row = m_list.insertRow(m_list.rowCount(), cellTextOf(record->ipAddress));
    if (row < 0)
        return;
    record->listRow = row;
    record->searchRow = row;
    m_list.setCellText(row, 1, cellTextOf(record->macAddress));
    m_list.setCellText(row, 2, cellTextOf(record->serialNo));
    m_list.setCellText(row, 3, cellTextOf(record->deviceType));
    m_list.attachDevice(row, record.get());
    m_records.push_back(std::move(record));
    m_list.setTicked(row, true);
}

} // namespace vexlo
