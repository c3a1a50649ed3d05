#include "fake_device_library.h"

#include "platform/codepage.h"
#include "platform/tick.h"

#include <algorithm>

namespace {

std::string storageAnswer(const int (&totals)[3])
{
    std::string text = "<RESPONSE_PARAM>";
    for (int total : totals)
        text += "<Disk Total=\"" + std::to_string(total) + "\" Free=\"0\" />";
    return text + "</RESPONSE_PARAM>";
}

} // namespace

FakeDeviceLibrary::FakeDeviceLibrary()
{
    m_deliverer = std::thread([this] { deliveryLoop(); });
    m_previous = vexlo::sdk::installDeviceLibrary(this);
}

FakeDeviceLibrary::~FakeDeviceLibrary()
{
    vexlo::sdk::installDeviceLibrary(m_previous);
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_deliverer.join();
}

void FakeDeviceLibrary::addDevice(const std::string& ip, FakeDeviceScript script)
{
    std::lock_guard lock(m_mutex);
    Device device;
    device.submitFailuresLeft = script.submitFailures;
    device.script = std::move(script);
    m_devices[ip] = std::move(device);
}

void FakeDeviceLibrary::addSearchResult(FakeSearchEntry entry)
{
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

void FakeDeviceLibrary::addCameras(int first, int count)
{
    for (int n = first; n < first + count; ++n)
        addSearchResult({"cam" + std::to_string(n), "127.0.1." + std::to_string(n)});
}

int FakeDeviceLibrary::loginNow(const std::string& ip)
{
    std::lock_guard lock(m_mutex);
    const int handle = m_nextHandle++;
    m_handles[handle] = ip;
    return handle;
}

void FakeDeviceLibrary::setAnswerDelayMs(std::uint32_t ms)
{
    std::lock_guard lock(m_mutex);
    m_answerDelayMs = ms;
}

std::vector<FakeCall> FakeDeviceLibrary::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<FakeCall> FakeDeviceLibrary::callsNamed(const std::string& name) const
{
    std::lock_guard lock(m_mutex);
    std::vector<FakeCall> named;
    for (const FakeCall& call : m_calls) {
        if (call.name == name)
            named.push_back(call);
    }
    return named;
}

std::vector<FakeCall> FakeDeviceLibrary::requestsTo(const std::string& ip) const
{
    std::vector<FakeCall> requests = callsNamed("SetDVRConfig");
    std::erase_if(requests, [&](const FakeCall& call) { return !ip.empty() && call.device != ip; });
    return requests;
}

std::vector<FakeModify> FakeDeviceLibrary::modifyCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_modifies;
}

int FakeDeviceLibrary::deliveredCount() const
{
    std::lock_guard lock(m_mutex);
    return m_delivered;
}

void FakeDeviceLibrary::dropPending()
{
    std::unique_lock lock(m_mutex);
    m_pending.clear();
    m_changed.wait(lock, [this] { return !m_delivering; });
}

int FakeDeviceLibrary::handleOf(const std::string& ip) const
{
    std::lock_guard lock(m_mutex);
    int newest = 0;
    for (const auto& [handle, device] : m_handles) {
        if (device == ip)
            newest = std::max(newest, handle);
    }
    return newest;
}

FakeCall& FakeDeviceLibrary::record(std::string name, std::string device, int handle, int command,
                                    std::string text)
{
    return m_calls.emplace_back(FakeCall{std::move(name), std::move(device), handle, command,
                                         std::move(text), 0, vexlo::GetTickCount()});
}

FakeDeviceLibrary::Device* FakeDeviceLibrary::deviceOf(int handle, std::string* ip)
{
    auto known = m_handles.find(handle);
    if (known == m_handles.end())
        return nullptr;
    if (ip)
        *ip = known->second;
    auto device = m_devices.find(known->second);
    return device == m_devices.end() ? nullptr : &device->second;
}

void FakeDeviceLibrary::schedule(std::uint32_t delayMs, std::function<void()> deliver)
{
    if (!deliver)
        return;
    m_pending.push_back(
        {std::chrono::steady_clock::now() + vexlo::scaledDuration(delayMs), std::move(deliver)});
    m_changed.notify_all();
}

std::function<void()> FakeDeviceLibrary::statusEvent(int handle, int event)
{
    return [this, handle, event] {
        STATUS_EVENT_CALLBACK callback = nullptr;
        void* user = nullptr;
        {
            std::lock_guard lock(m_mutex);
            callback = m_statusCallback;
            user = m_statusUser;
        }
        if (callback)
            callback(handle, event, 0, user);
    };
}

std::function<void()> FakeDeviceLibrary::answer(int handle, int command, FakeReply reply,
                                                std::string text)
{
    if (reply == FakeReply::Silent || reply == FakeReply::CallFails)
        return {};
    const int code = reply == FakeReply::Refuse ? sdkRefusalOf(command) : command;
    return [this, handle, code, text = std::move(text)] {
        AUX_RESPONSE_CALLBACK callback = nullptr;
        void* user = nullptr;
        {
            std::lock_guard lock(m_mutex);
            callback = m_answerCallback;
            user = m_answerUser;
        }
        if (callback)
            callback(handle, code, text.c_str(), user);
    };
}

void FakeDeviceLibrary::deliveryLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_pending.empty()) {
            m_changed.wait(lock);
            continue;
        }
        // The earliest due; of equal ones the first scheduled.
        auto next =
            std::min_element(m_pending.begin(), m_pending.end(),
                             [](const Pending& a, const Pending& b) { return a.due < b.due; });
        if (const auto due = next->due; std::chrono::steady_clock::now() < due) {
            m_changed.wait_until(lock, due); // a copy: the list may grow meanwhile
            continue;
        }
        std::function<void()> deliver = std::move(next->deliver);
        m_pending.erase(next);
        m_delivering = true;
        lock.unlock();
        deliver();
        lock.lock();
        m_delivering = false;
        ++m_delivered;
        m_changed.notify_all();
    }
}

int FakeDeviceLibrary::Init()
{
    std::lock_guard lock(m_mutex);
    record("Init");
    return 0;
}

int FakeDeviceLibrary::SetStatusEventCallBack(STATUS_EVENT_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_mutex);
    m_statusCallback = callback;
    m_statusUser = user;
    return 0;
}

int FakeDeviceLibrary::SetAUXResponseCallBack(AUX_RESPONSE_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_mutex);
    m_answerCallback = callback;
    m_answerUser = user;
    return 0;
}

int FakeDeviceLibrary::StartSearchIPC()
{
    std::lock_guard lock(m_mutex);
    record("StartSearchIPC");
    m_results.clear();
    for (const FakeSearchEntry& entry : m_entries) {
        if (!entry.hidden)
            m_results.push_back(entry);
    }
    for (const auto& [ip, device] : m_devices) {
        if (device.restored && !device.script.restoreAddress.empty())
            m_results.push_back({device.script.serial, device.script.restoreAddress});
    }
    return 0;
}

int FakeDeviceLibrary::StopSearchIPC()
{
    std::lock_guard lock(m_mutex);
    record("StopSearchIPC");
    return 0;
}

int FakeDeviceLibrary::GetSearchIPCCount()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_results.size());
}

int FakeDeviceLibrary::GetIPCInfo(int index, _IPCINFO* info)
{
    std::lock_guard lock(m_mutex);
    if (!info || index < 0 || index >= static_cast<int>(m_results.size()))
        return -1;
    const FakeSearchEntry& entry = m_results[index];
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

int FakeDeviceLibrary::ModifyIPC(int index, const _IPCINFO* info)
{
    std::lock_guard lock(m_mutex);
    record("ModifyIPC");
    if (!info)
        return -1;
    const FakeModify& call =
        m_modifies.emplace_back(FakeModify{index, std::string(vexlo::fieldText(info->serialNo)),
                                           std::string(vexlo::fieldText(info->ipAddress)),
                                           std::string(vexlo::fieldText(info->netmask)),
                                           std::string(vexlo::fieldText(info->gateway))});
    for (FakeSearchEntry& entry : m_entries) {
        if (entry.serial != call.serial)
            continue;
        switch (entry.readdress) {
        case FakeSearchEntry::Readdress::Moves:
            entry.ip = call.ip;
            return 0;
        case FakeSearchEntry::Readdress::StaysPut:
            return 0;
        case FakeSearchEntry::Readdress::Vanishes:
            entry.hidden = true;
            return 0;
        case FakeSearchEntry::Readdress::Refuses:
            return -1;
        }
    }
    return -1;
}

int FakeDeviceLibrary::Login(const char* ip, std::uint16_t /*port*/, const char* /*user*/,
                             const char* /*password*/, int /*reserved*/)
{
    std::function<void()> immediate;
    int handle = 0;
    {
        std::lock_guard lock(m_mutex);
        const std::string address = ip ? ip : "";
        record("Login", address);
        auto device = m_devices.find(address);
        if (device == m_devices.end())
            return -1;
        const FakeDeviceScript& script = device->second.script;
        const FakeReply reply =
            device->second.firmwareInstalled ? script.loginAfterFirmware : script.login;
        if (reply == FakeReply::CallFails)
            return -1;
        handle = m_nextHandle++;
        m_handles[handle] = address;
        std::function<void()> event;
        if (reply != FakeReply::Silent)
            event = statusEvent(handle, reply == FakeReply::Answer ? SDK_EVENT_LOGIN_OK
                                                                   : SDK_EVENT_LOGIN_FAILED);
        if (script.answerBeforeReturn)
            immediate = std::move(event);
        else
            schedule(m_answerDelayMs, std::move(event));
    }
    if (immediate)
        immediate();
    return handle;
}

int FakeDeviceLibrary::SetAutoReconnect(int loginHandle, int enable)
{
    std::lock_guard lock(m_mutex);
    record("SetAutoReconnect", {}, loginHandle, enable);
    return 0;
}

int FakeDeviceLibrary::Logout(int loginHandle)
{
    std::lock_guard lock(m_mutex);
    std::string ip;
    deviceOf(loginHandle, &ip);
    record("Logout", ip, loginHandle);
    return m_handles.erase(loginHandle) ? 0 : -1;
}

int FakeDeviceLibrary::SystemControl(int loginHandle, int command, int /*channel*/,
                                     const char* request)
{
    std::function<void()> immediate;
    {
        std::lock_guard lock(m_mutex);
        std::string ip;
        Device* device = deviceOf(loginHandle, &ip);
        record("SystemControl", ip, loginHandle, command, request ? request : "");
        if (!device)
            return -1;
        const FakeDeviceScript& script = device->script;
        std::function<void()> reply;
        switch (command) {
        case 1012:
            reply = answer(loginHandle, command, script.version,
                           device->firmwareInstalled ? script.versionAnswerAfter
                                                     : script.versionAnswer);
            if (script.answerBeforeReturn)
                immediate = std::move(reply);
            break;
        case 1014:
            reply = answer(loginHandle, command, script.storage, storageAnswer(script.totals));
            break;
        case 1005:
            reply = answer(loginHandle, command, script.timeSync, "");
            break;
        default:
            break;
        }
        schedule(m_answerDelayMs, std::move(reply));
    }
    if (immediate)
        immediate();
    return 0;
}

int FakeDeviceLibrary::SetDVRConfig(int loginHandle, int command, int /*channel*/, const char* text,
                                    int length)
{
    std::lock_guard lock(m_mutex);
    std::string ip;
    Device* device = deviceOf(loginHandle, &ip);
    if (!device)
        return -1;
    const auto replies = device->script.sections.find(command);
    const std::size_t attempt = device->sectionAttempts[command]++;
    const FakeReply reply =
        replies != device->script.sections.end() && attempt < replies->second.size()
            ? replies->second[attempt]
            : FakeReply::Answer;
    if (reply == FakeReply::CallFails)
        return -1;
    record("SetDVRConfig", ip, loginHandle, command, text ? text : "").length = length;
    schedule(m_answerDelayMs, answer(loginHandle, command, reply, ""));
    return 0;
}

int FakeDeviceLibrary::GetDVRConfig(int loginHandle, int command, int /*channel*/, char* /*buffer*/,
                                    int /*bufferSize*/, int* /*returned*/)
{
    std::lock_guard lock(m_mutex);
    record("GetDVRConfig", {}, loginHandle, command);
    return 0;
}

int FakeDeviceLibrary::Upgrade(int loginHandle, const char* firmwarePath)
{
    std::unique_lock lock(m_mutex);
    std::string ip;
    Device* device = deviceOf(loginHandle, &ip);
    record("Upgrade", ip, loginHandle, 0, firmwarePath ? firmwarePath : "");
    if (!device)
        return -1;
    if (device->submitFailuresLeft != 0) {
        if (device->submitFailuresLeft > 0)
            --device->submitFailuresLeft;
        return -1;
    }
    device->uploading = true;
    device->progressStep = 0;
    device->lastProgress = 0;
    std::function<void()> immediate;
    if (device->script.progress.empty())
        endUpload(loginHandle, *device, &immediate);
    lock.unlock();
    if (immediate)
        immediate();
    return 0;
}

int FakeDeviceLibrary::GetUpgradeState(int /*loginHandle*/)
{
    return 0; // the progress call tells
}

int FakeDeviceLibrary::GetUpgradeProgress(int loginHandle)
{
    std::lock_guard lock(m_mutex);
    Device* device = deviceOf(loginHandle);
    if (!device)
        return 0;
    if (device->uploading && device->progressStep < device->script.progress.size()) {
        device->lastProgress = device->script.progress[device->progressStep++];
        if (device->progressStep == device->script.progress.size())
            endUpload(loginHandle, *device);
    }
    return device->lastProgress;
}

void FakeDeviceLibrary::endUpload(int handle, Device& device, std::function<void()>* immediate)
{
    const auto deliver = [&](int event) {
        if (immediate && device.script.uploadEndsInsideTheCall)
            *immediate = statusEvent(handle, event);
        else
            schedule(m_answerDelayMs, statusEvent(handle, event));
    };
    switch (device.script.uploadEnd) {
    case FakeUploadEnd::Stall:
        return; // the upload stays where it is
    case FakeUploadEnd::Failed:
        device.uploading = false;
        deliver(SDK_EVENT_UPLOAD_FAILED);
        return;
    case FakeUploadEnd::StallThenVerdict:
        break;
    case FakeUploadEnd::Finished:
        device.uploading = false;
        deliver(SDK_EVENT_UPLOAD_DONE);
        break;
    }
    std::function<void()> verdict = answer(handle, 1009, device.script.firmware, "");
    if (!verdict)
        return;
    const bool accepted = device.script.firmware == FakeReply::Answer;
    schedule(m_answerDelayMs + device.script.firmwareDelayMs, [this, &device, accepted, verdict] {
        if (accepted) {
            // The device goes down and comes back with the new firmware.
            std::lock_guard lock(m_mutex);
            device.firmwareInstalled = true;
        }
        verdict();
    });
}

int FakeDeviceLibrary::FormatDisk(int loginHandle, int disk)
{
    std::lock_guard lock(m_mutex);
    std::string ip;
    Device* device = deviceOf(loginHandle, &ip);
    record("FormatDisk", ip, loginHandle, disk);
    if (!device)
        return -1;
    schedule(m_answerDelayMs + device->script.formatDelayMs,
             answer(loginHandle, 1017, device->script.format, ""));
    return 0;
}

int FakeDeviceLibrary::RestoreConfig(int loginHandle)
{
    std::lock_guard lock(m_mutex);
    std::string ip;
    Device* device = deviceOf(loginHandle, &ip);
    record("RestoreConfig", ip, loginHandle);
    if (!device)
        return -1;
    if (device->script.restoreResult != 0)
        return device->script.restoreResult;
    device->restored = true;
    return 0;
}

int FakeDeviceLibrary::RebootDVR(int loginHandle)
{
    std::lock_guard lock(m_mutex);
    std::string ip;
    Device* device = deviceOf(loginHandle, &ip);
    record("RebootDVR", ip, loginHandle);
    return device ? device->script.rebootResult : -1;
}

int FakeDeviceLibrary::RealPlayEx(int loginHandle, const char* ip, const char* /*userName*/,
                                  const char* /*password*/, REAL_DATA_CALLBACK /*callback*/,
                                  const IP_PLAY_CLIENTINFO* /*client*/, void* /*userValue*/)
{
    std::lock_guard lock(m_mutex);
    record("RealPlayEx", ip ? ip : "", loginHandle);
    return -1;
}

int FakeDeviceLibrary::StopRealPlay(int realPlayHandle)
{
    std::lock_guard lock(m_mutex);
    record("StopRealPlay", {}, realPlayHandle);
    return 0;
}
