#include "scripted_search_library.h"

#include "platform/codepage.h"

ScriptedSearchLibrary::ScriptedSearchLibrary() : m_previous(vexlo::sdk::installDeviceLibrary(this))
{
}

ScriptedSearchLibrary::~ScriptedSearchLibrary()
{
    vexlo::sdk::installDeviceLibrary(m_previous);
}

void ScriptedSearchLibrary::add(Entry entry)
{
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

void ScriptedSearchLibrary::addCameras(int first, int count)
{
    for (int n = first; n < first + count; ++n) {
        Entry entry;
        entry.serial = "cam" + std::to_string(n);
        entry.ip = "127.0.1." + std::to_string(n);
        add(entry);
    }
}

int ScriptedSearchLibrary::searchStarts() const
{
    std::lock_guard lock(m_mutex);
    return m_starts;
}

int ScriptedSearchLibrary::searchStops() const
{
    std::lock_guard lock(m_mutex);
    return m_stops;
}

std::vector<ScriptedSearchLibrary::ModifyCall> ScriptedSearchLibrary::modifyCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_modifyCalls;
}

std::vector<int> ScriptedSearchLibrary::logouts() const
{
    std::lock_guard lock(m_mutex);
    return m_logouts;
}

int ScriptedSearchLibrary::StartSearchIPC()
{
    std::lock_guard lock(m_mutex);
    ++m_starts;
    m_found.clear();
    for (const Entry& entry : m_entries) {
        if (!entry.hidden)
            m_found.push_back(entry);
    }
    return 0;
}

int ScriptedSearchLibrary::StopSearchIPC()
{
    std::lock_guard lock(m_mutex);
    ++m_stops;
    return 0;
}

int ScriptedSearchLibrary::GetSearchIPCCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_found.size());
}

int ScriptedSearchLibrary::GetIPCInfo(int index, _IPCINFO* info)
{
    std::lock_guard lock(m_mutex);
    if (!info || index < 0 || index >= static_cast<int>(m_found.size()))
        return -1;
    const Entry& entry = m_found[index];
    if (entry.readFails)
        return -1;
    vexlo::copyToField(info->serialNo, entry.serial);
    vexlo::copyToField(info->deviceType, entry.type);
    vexlo::copyToField(info->ipAddress, entry.ip);
    vexlo::copyToField(info->macAddress, "00:11:22:33:44:" + std::to_string(index % 100));
    vexlo::copyToField(info->netmask, "255.255.0.0");
    vexlo::copyToField(info->gateway, "127.0.0.254");
    return 0;
}

int ScriptedSearchLibrary::ModifyIPC(int index, const _IPCINFO* info)
{
    std::lock_guard lock(m_mutex);
    if (!info)
        return -1;
    ModifyCall call;
    call.index = index;
    call.serial = std::string(vexlo::fieldText(info->serialNo));
    call.ip = std::string(vexlo::fieldText(info->ipAddress));
    call.netmask = std::string(vexlo::fieldText(info->netmask));
    call.gateway = std::string(vexlo::fieldText(info->gateway));
    m_modifyCalls.push_back(call);
    for (Entry& entry : m_entries) {
        if (entry.serial != call.serial)
            continue;
        switch (entry.readdress) {
        case Readdress::Moves:
            entry.ip = call.ip;
            return 0;
        case Readdress::StaysPut:
            return 0;
        case Readdress::Vanishes:
            entry.hidden = true;
            return 0;
        case Readdress::Refuses:
            return -1;
        }
    }
    return -1;
}

int ScriptedSearchLibrary::Logout(int loginHandle)
{
    std::lock_guard lock(m_mutex);
    m_logouts.push_back(loginHandle);
    return 0;
}
