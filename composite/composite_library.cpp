#include "composite/composite_library.h"

#include "platform/codepage.h"

#include <strings.h>

namespace vexlo::composite {

namespace {

std::string addressKey(std::string_view address, std::uint16_t port)
{
    return std::string(address) + ":" + std::to_string(port);
}

// One camera seen by both libraries: the same serial, and the same MAC where
// both know it (a camera that refused the site's credentials may have told
// discovery its serial but not its MAC).
bool sameCamera(const _IPCINFO& a, const _IPCINFO& b)
{
    const std::string_view serialA = fieldText(a.serialNo);
    const std::string_view serialB = fieldText(b.serialNo);
    if (serialA.empty() || serialA != serialB)
        return false;
    const std::string macA(fieldText(a.macAddress));
    const std::string macB(fieldText(b.macAddress));
    return macA.empty() || macB.empty() || strcasecmp(macA.c_str(), macB.c_str()) == 0;
}

} // namespace

CompositeLibrary::CompositeLibrary(sdk::DeviceLibrary& home, sdk::DeviceLibrary& onvif,
                                   int secondHandleBase)
    : m_home(home), m_onvif(onvif), m_secondHandleBase(secondHandleBase)
{
}

sdk::DeviceLibrary& CompositeLibrary::libraryOf(ListedProtocol protocol)
{
    return protocol == ListedProtocol::Onvif ? m_onvif : m_home;
}

sdk::DeviceLibrary& CompositeLibrary::libraryOfHandle(int handle)
{
    return handle >= m_secondHandleBase ? m_onvif : m_home;
}

int CompositeLibrary::Init()
{
    const int home = m_home.Init();
    const int onvif = m_onvif.Init();
    return home == 0 && onvif == 0 ? 0 : -1;
}

int CompositeLibrary::SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user)
{
    const int home = m_home.SetStatusEventCallBack(callback, user);
    const int onvif = m_onvif.SetStatusEventCallBack(callback, user);
    return home == 0 && onvif == 0 ? 0 : -1;
}

int CompositeLibrary::SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user)
{
    const int home = m_home.SetAUXResponseCallBack(callback, user);
    const int onvif = m_onvif.SetAUXResponseCallBack(callback, user);
    return home == 0 && onvif == 0 ? 0 : -1;
}

// ---- search -----------------------------------------------------------------

int CompositeLibrary::StartSearchIPC()
{
    {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
        m_homeSeen = 0;
        m_onvifSeen = 0;
    }
    // Either search alone still finds its cameras.
    const int home = m_home.StartSearchIPC();
    const int onvif = m_onvif.StartSearchIPC();
    return home == 0 || onvif == 0 ? 0 : -1;
}

int CompositeLibrary::StopSearchIPC()
{
    const int home = m_home.StopSearchIPC();
    const int onvif = m_onvif.StopSearchIPC();
    return home == 0 || onvif == 0 ? 0 : -1;
}

void CompositeLibrary::takeResult(ListedProtocol protocol, int index)
{
    Entry entry{protocol, index, _IPCINFO{}};
    if (libraryOf(protocol).GetIPCInfo(index, &entry.info) != 0)
        return;
    setListedProtocol(entry.info, protocol);
    m_protocolByAddress[addressKey(fieldText(entry.info.ipAddress), entry.info.port)] = protocol;
    for (Entry& listed : m_entries) {
        if (!sameCamera(listed.info, entry.info))
            continue;
        // The home protocol drives a camera that speaks both; its entry takes
        // the place the ONVIF one had, so positions already read stay valid.
        if (protocol == ListedProtocol::Home && listed.protocol == ListedProtocol::Onvif)
            listed = entry;
        return;
    }
    m_entries.push_back(entry);
}

void CompositeLibrary::mergeNewResults()
{
    for (const int count = m_home.GetSearchIPCCount(); m_homeSeen < count; ++m_homeSeen)
        takeResult(ListedProtocol::Home, m_homeSeen);
    for (const int count = m_onvif.GetSearchIPCCount(); m_onvifSeen < count; ++m_onvifSeen)
        takeResult(ListedProtocol::Onvif, m_onvifSeen);
}

int CompositeLibrary::GetSearchIPCCount()
{
    std::lock_guard lock(m_mutex);
    mergeNewResults();
    return static_cast<int>(m_entries.size());
}

int CompositeLibrary::GetIPCInfo(int index, _IPCINFO* info)
{
    if (info == nullptr)
        return -1;
    std::lock_guard lock(m_mutex);
    mergeNewResults();
    if (index < 0 || static_cast<std::size_t>(index) >= m_entries.size())
        return -1;
    *info = m_entries[static_cast<std::size_t>(index)].info;
    return 0;
}

int CompositeLibrary::ModifyIPC(int index, const _IPCINFO* info)
{
    if (info == nullptr)
        return -1;
    ListedProtocol protocol = listedProtocol(*info);
    int ownIndex = -1;
    {
        std::lock_guard lock(m_mutex);
        if (index >= 0 && static_cast<std::size_t>(index) < m_entries.size()) {
            protocol = m_entries[static_cast<std::size_t>(index)].protocol;
            ownIndex = m_entries[static_cast<std::size_t>(index)].index;
        }
    }
    // Each library finds the camera by the serial and MAC of the block; the
    // position only helps when the block names nobody.
    return libraryOf(protocol).ModifyIPC(ownIndex, info);
}

// ---- by handle ----------------------------------------------------------------

int CompositeLibrary::Login(const char* ip, std::uint16_t port, const char* user,
                            const char* password, int reserved)
{
    ListedProtocol protocol = ListedProtocol::Home;
    if (ip != nullptr) {
        std::lock_guard lock(m_mutex);
        const auto found = m_protocolByAddress.find(addressKey(ip, port));
        if (found != m_protocolByAddress.end())
            protocol = found->second;
    }
    return libraryOf(protocol).Login(ip, port, user, password, reserved);
}

int CompositeLibrary::SetAutoReconnect(int loginHandle, int enable)
{
    return libraryOfHandle(loginHandle).SetAutoReconnect(loginHandle, enable);
}

int CompositeLibrary::Logout(int loginHandle)
{
    return libraryOfHandle(loginHandle).Logout(loginHandle);
}

int CompositeLibrary::SystemControl(int loginHandle, int command, int channel, const char* request)
{
    return libraryOfHandle(loginHandle).SystemControl(loginHandle, command, channel, request);
}

int CompositeLibrary::SetDVRConfig(int loginHandle, int command, int channel, const char* text,
                                   int length)
{
    return libraryOfHandle(loginHandle).SetDVRConfig(loginHandle, command, channel, text, length);
}

int CompositeLibrary::GetDVRConfig(int loginHandle, int command, int channel, char* buffer,
                                   int bufferSize, int* returned)
{
    return libraryOfHandle(loginHandle)
        .GetDVRConfig(loginHandle, command, channel, buffer, bufferSize, returned);
}

int CompositeLibrary::Upgrade(int loginHandle, const char* firmwarePath)
{
    return libraryOfHandle(loginHandle).Upgrade(loginHandle, firmwarePath);
}

int CompositeLibrary::GetUpgradeState(int loginHandle)
{
    return libraryOfHandle(loginHandle).GetUpgradeState(loginHandle);
}

int CompositeLibrary::GetUpgradeProgress(int loginHandle)
{
    return libraryOfHandle(loginHandle).GetUpgradeProgress(loginHandle);
}

int CompositeLibrary::FormatDisk(int loginHandle, int disk)
{
    return libraryOfHandle(loginHandle).FormatDisk(loginHandle, disk);
}

int CompositeLibrary::RestoreConfig(int loginHandle)
{
    return libraryOfHandle(loginHandle).RestoreConfig(loginHandle);
}

int CompositeLibrary::RebootDVR(int loginHandle)
{
    return libraryOfHandle(loginHandle).RebootDVR(loginHandle);
}

int CompositeLibrary::RealPlayEx(int loginHandle, const char* ip, const char* userName,
                                 const char* password, REAL_DATA_CALLBACK callback,
                                 const IP_PLAY_CLIENTINFO* client, void* userValue)
{
    return libraryOfHandle(loginHandle)
        .RealPlayEx(loginHandle, ip, userName, password, callback, client, userValue);
}

int CompositeLibrary::RealPlayStream(int loginHandle, const char* ip, const char* userName,
                                     const char* password, REAL_DATA_CALLBACK callback,
                                     const IP_PLAY_CLIENTINFO* client, void* userValue, int stream)
{
    return libraryOfHandle(loginHandle)
        .RealPlayStream(loginHandle, ip, userName, password, callback, client, userValue, stream);
}

int CompositeLibrary::StopRealPlay(int realPlayHandle)
{
    return libraryOfHandle(realPlayHandle).StopRealPlay(realPlayHandle);
}

} // namespace vexlo::composite
