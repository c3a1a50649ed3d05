#include "devices/modify_ip.h"

#include "devices/device_search.h"
#include "devices/discovery_host.h"
#include "devices/next_free_address.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/codepage.h"
#include "platform/ui_port.h"
#include "profile/config_profile.h"
#include "sdk/netsdk.h"

#include <cstring>
#include <vector>

namespace vexlo {
namespace {

// The mask and gateway a device is given are cut to this many characters.
constexpr std::size_t kMaxSubnetText = 127;

// Clears the whole field, then copies at most kMaxSubnetText bytes.
template <std::size_t N> void copySubnetText(char (&field)[N], std::string_view text)
{
    std::memset(field, 0, N);
    copyToField(field, kMaxSubnetText + 1, text);
}

// Restores an address field the library may have been handed.
template <std::size_t N> void restoreField(char (&field)[N], const char (&saved)[N])
{
    std::memcpy(field, saved, N);
}

} // namespace

ModifyIp::ModifyIp(UiPort& ui, CReportCtrl& list, BatchState& state, DiscoveryHost& host,
                   DeviceSearch& search, const MainSettings& settings, PcAddressSource pcAddress)
    : m_ui(ui), m_list(list), m_state(state), m_host(host), m_search(search), m_settings(settings),
      m_pcAddress(std::move(pcAddress))
{
}

void ModifyIp::start()
{
    m_host.showCurrentAction(currentText(m_state, TextId::ActionModifyingIp));
    m_state.modifyIpMap.clear();

    const std::optional<std::string> pcAddress = m_pcAddress ? m_pcAddress() : std::nullopt;
    if (pcAddress) {
        // The ticked records in list order, taken once: the waits below let
        // row updates run, and the loop must not depend on row positions.
        std::vector<_DEVICERECORD*> ticked;
        for (int row = 0; row < m_list.rowCount(); ++row) {
            if (m_list.isTicked(row) && m_list.deviceOfRow(row))
                ticked.push_back(m_list.deviceOfRow(row));
        }
        const AddressInUse inUse = [this](std::string_view candidate) {
            for (int row = 0; row < m_list.rowCount(); ++row) {
                const _DEVICERECORD* record = m_list.deviceOfRow(row);
                if (record && fieldText(record->ipAddress) == candidate)
                    return true;
            }
            return false;
        };
        AddressPlan plan;
        plan.pcAddress = *pcAddress;
        m_addressing = true;
        for (_DEVICERECORD* record : ticked) {
            plan.useStartAddress = m_settings.useStartAddress != 0;
            plan.startAddress = std::string(fieldText(m_settings.startAddress));
            const std::optional<std::string> address = nextFreeAddress(plan, inUse);
            if (!address)
                break;
            readdress(*record, *address, *pcAddress);
            m_ui.waitWhileHandling(kModifyIpPerDeviceWaitMs);
        }
        m_addressing = false;
    }

    m_host.repaint();
    m_addressing = true;
    m_ui.waitWhileHandling(kModifyIpSettleWaitMs);
    m_addressing = false;
    m_search.clearList();
    m_search.restartSearch(kVerifyTimerId);
}

void ModifyIp::readdress(_DEVICERECORD& record, const std::string& address,
                         const std::string& pcAddress)
{
    const int handle = record.loginHandle.load();
    if (handle > 0) {
        IP_NET_DVR_Logout(handle);
        record.loginHandle = 0;
        record.loginState = kLoginUndecided;
    }

    char oldAddress[sizeof record.ipAddress];
    char oldNetmask[sizeof record.netmask];
    char oldGateway[sizeof record.gateway];
    std::memcpy(oldAddress, record.ipAddress, sizeof oldAddress);
    std::memcpy(oldNetmask, record.netmask, sizeof oldNetmask);
    std::memcpy(oldGateway, record.gateway, sizeof oldGateway);

    copyToField(record.ipAddress, address);
    if (m_settings.useStartAddress != 0) {
        copySubnetText(record.netmask, fieldText(m_settings.subnetMask));
        copySubnetText(record.gateway, fieldText(m_settings.gateway));
    } else {
        copySubnetText(record.gateway, addressPrefix(pcAddress) + "1");
    }

    _MODIFYIP change{};
    copyToField(change.serialNo, fieldText(record.serialNo));
    copyToField(change.oldIpAddress, fieldText(oldAddress));
    copyToField(change.newIpAddress, address);
    m_state.modifyIpMap[modifyIpKey(record)] = change;

    if (IP_NET_DVR_ModifyIPC(record.searchRow, &record) != 0) {
        // The device keeps what it had, and so does its record: the mask too,
        // which the start-address settings may have replaced above.
        restoreField(record.ipAddress, oldAddress);
        restoreField(record.netmask, oldNetmask);
        restoreField(record.gateway, oldGateway);
        postRowUpdate(m_state, record, u"修改失败");
        return;
    }
    std::u16string shown(currentText(m_state, TextId::NewIp));
    shown += u':';
    shown += gbkToUtf16(address);
    postRowUpdate(m_state, record, shown);
}

void ModifyIp::onVerifyTimer()
{
    if (m_search.checkWindow(kVerifyTimerId) != DeviceSearch::Window::Open)
        return;
    m_search.fetchResults();
    m_host.repaint();
    if (m_list.rowCount() >= m_host.expectedDeviceCount()) {
        m_ui.killTimer(kVerifyTimerId);
        verify();
    }
}

void ModifyIp::verify()
{
    bool allPassed = true;
    for (int row = 0; row < m_list.rowCount(); ++row) {
        _DEVICERECORD* record = m_list.deviceOfRow(row);
        if (!record || !m_list.isTicked(row))
            continue;
        const auto change = m_state.modifyIpMap.find(modifyIpKey(*record));
        if (change == m_state.modifyIpMap.end())
            continue;
        const bool answered =
            fieldText(change->second.newIpAddress) == fieldText(record->ipAddress);
        allPassed = allPassed && answered;
        postStatus(m_state, *record, answered ? TextId::ModifyIpOk : TextId::ModifyIpFailed);
    }
    if (!allPassed) {
        IP_NET_DVR_StopSearchIPC();
        m_host.finishSequence();
        m_ui.showMessage(std::u16string(currentText(m_state, TextId::ModifyIpFailedStop)));
        return;
    }
    // The device library's search is left running on this path.
    UiMessage done;
    done.message = WM_MODIFYIP_DONE;
    m_ui.post(std::move(done));
}

} // namespace vexlo
