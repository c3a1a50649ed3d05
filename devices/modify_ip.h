#pragma once

#include <functional>
#include <optional>
#include <string>

// Modify IP: gives every ticked device the next free address, one after the
// other, then searches again on timer 1007 and checks that each device answers
// at its new address. Runs on the user-interface thread; its waits let posted
// row updates and painting go on.
namespace vexlo {
struct BatchState;
struct _DEVICERECORD;

class CReportCtrl;
class DeviceSearch;
class DiscoveryHost;
class UiPort;
struct MainSettings;

// The PC's own address. Loopback mode takes it from the host (where
// VEXLO_HOST_ADDRESS overrides it); a real-LAN front end supplies the first
// IPv4 address of the interface its search uses.
using PcAddressSource = std::function<std::optional<std::string>()>;

inline constexpr std::uint32_t kModifyIpPerDeviceWaitMs = 400;
inline constexpr std::uint32_t kModifyIpSettleWaitMs = 4000;

class ModifyIp
{
public:
    ModifyIp(UiPort& ui, CReportCtrl& list, BatchState& state, DiscoveryHost& host,
             DeviceSearch& search, const MainSettings& settings, PcAddressSource pcAddress);

    // Instruction slot 1 and the hidden button 1029, after the ticked-count
    // guard. Returns once the verification search runs.
    void start();
    // Timer 1007: the verification search.
    void onVerifyTimer();

    // Set while the addressing loop waits between devices: nothing may clear
    // the list then, since the loop holds its records.
    bool addressing() const { return m_addressing; }

private:
    void readdress(_DEVICERECORD& record, const std::string& address, const std::string& pcAddress);
    void verify();

    UiPort& m_ui;
    CReportCtrl& m_list;
    BatchState& m_state;
    DiscoveryHost& m_host;
    DeviceSearch& m_search;
    const MainSettings& m_settings;
    PcAddressSource m_pcAddress;
    bool m_addressing = false;
};

} // namespace vexlo
