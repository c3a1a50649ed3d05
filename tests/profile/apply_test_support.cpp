#include "apply_test_support.h"

#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

#include <gtest/gtest.h>

namespace vexlo {

using ::testing::_;

ScriptedDevices::ScriptedDevices(BatchState& state) : m_state(state)
{
    ON_CALL(*this, Login(_, _, _, _, _))
        .WillByDefault([this](const char* ip, std::uint16_t, const char*, const char*, int) {
            return login(ip);
        });
    ON_CALL(*this, SetDVRConfig(_, _, _, _, _))
        .WillByDefault([this](int handle, int code, int, const char* text, int length) {
            return setConfig(handle, code, text, length);
        });
    m_deliverer = std::thread([this] { deliveryLoop(); });
}

ScriptedDevices::~ScriptedDevices()
{
    shutdown();
}

void ScriptedDevices::addDevice(const std::string& ip, ApplyDeviceScript script)
{
    std::lock_guard lock(m_mutex);
    m_scripts[ip] = std::move(script);
}

int ScriptedDevices::loginNow(const std::string& ip)
{
    std::lock_guard lock(m_mutex);
    const int handle = m_nextHandle++;
    m_handles[handle] = ip;
    return handle;
}

void ScriptedDevices::shutdown()
{
    {
        std::unique_lock lock(m_mutex);
        m_quit = true;
        m_pending.clear();
        m_changed.notify_all();
    }
    if (m_deliverer.joinable())
        m_deliverer.join();
}

std::vector<SentRequest> ScriptedDevices::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<SentRequest> ScriptedDevices::requestsTo(const std::string& ip) const
{
    std::vector<SentRequest> selected;
    for (SentRequest& request : requests()) {
        if (request.ip == ip)
            selected.push_back(std::move(request));
    }
    return selected;
}

int ScriptedDevices::loginCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_loginCalls;
}

int ScriptedDevices::login(const char* ip)
{
    std::function<void()> answerNow;
    int handle = 0;
    {
        std::lock_guard lock(m_mutex);
        ++m_loginCalls;
        auto script = m_scripts.find(ip ? ip : "");
        if (script == m_scripts.end() || script->second.login == DeviceReply::SendFails)
            return 0;
        handle = m_nextHandle++;
        m_handles[handle] = script->first;
        if (script->second.login == DeviceReply::Silent)
            return handle;
        const int event = script->second.login == DeviceReply::Accept ? SDK_EVENT_LOGIN_OK
                                                                      : SDK_EVENT_LOGIN_FAILED;
        auto deliver = [this, handle, event] { StatusEventCallBack(handle, event, 0, &m_state); };
        if (script->second.loginAnswerBeforeReturn)
            answerNow = deliver;
        else
            schedule(script->second.loginDelayMs, deliver);
    }
    if (answerNow)
        answerNow();
    return handle;
}

int ScriptedDevices::setConfig(int handle, int code, const char* text, int length)
{
    std::lock_guard lock(m_mutex);
    auto device = m_handles.find(handle);
    if (device == m_handles.end())
        return -1;
    const ApplyDeviceScript& script = m_scripts[device->second];
    const std::size_t attempt = m_attempts[device->second][code]++;
    DeviceReply reply = DeviceReply::Accept;
    if (auto replies = script.sections.find(code);
        replies != script.sections.end() && attempt < replies->second.size())
        reply = replies->second[attempt];
    if (reply == DeviceReply::SendFails)
        return -1;
    m_requests.push_back({device->second, code, text ? text : "", length});
    if (reply != DeviceReply::Silent) {
        const int answerCode = reply == DeviceReply::Accept ? code : sdkRefusalOf(code);
        schedule(script.answerDelayMs, [this, handle, answerCode] {
            AUXResponseCallBack(handle, answerCode, "", &m_state);
        });
    }
    return 0;
}

void ScriptedDevices::schedule(std::uint32_t delayMs, std::function<void()> deliver)
{
    m_pending.emplace(std::chrono::steady_clock::now() + vexlo::scaledDuration(delayMs),
                      std::move(deliver));
    m_changed.notify_all();
}

void ScriptedDevices::deliveryLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_pending.empty()) {
            m_changed.wait(lock);
            continue;
        }
        auto next = m_pending.begin();
        if (m_changed.wait_until(lock, next->first) != std::cv_status::timeout)
            continue; // something changed: look again
        next = m_pending.begin();
        if (m_quit || next == m_pending.end() || next->first > std::chrono::steady_clock::now())
            continue;
        std::function<void()> deliver = std::move(next->second);
        m_pending.erase(next);
        // The callbacks take the engine's locks: never call them under ours.
        lock.unlock();
        deliver();
        lock.lock();
    }
}

void RecordingUiPort::setHook(Hook hook)
{
    m_hook = std::move(hook);
}

void RecordingUiPort::post(vexlo::UiMessage message)
{
    if (m_hook)
        m_hook(message);
    std::lock_guard lock(m_mutex);
    m_messages.push_back({message.message, message.wParam, message.lParam, std::move(message.text),
                          vexlo::GetTickCount()});
    m_changed.notify_all();
}

LPARAM RecordingUiPort::send(vexlo::UiMessage message)
{
    post(std::move(message));
    return 0;
}

std::vector<PostedMessage> RecordingUiPort::messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<PostedMessage> RecordingUiPort::rowTexts(const void* record) const
{
    std::vector<PostedMessage> rows;
    for (PostedMessage& message : messages()) {
        if (message.message == WM_ROW_UPDATE &&
            message.wParam == reinterpret_cast<WPARAM>(record) && message.lParam == COLUMN_STATUS)
            rows.push_back(std::move(message));
    }
    return rows;
}

std::size_t RecordingUiPort::count(std::uint32_t message) const
{
    std::size_t found = 0;
    for (const PostedMessage& posted : messages())
        found += posted.message == message ? 1 : 0;
    return found;
}

bool RecordingUiPort::waitFor(const std::function<bool()>& condition,
                              std::chrono::milliseconds limit)
{
    // Some conditions change without a post (a thread ending), so look again
    // at least every few milliseconds.
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(5));
    }
}

std::vector<std::u16string> textsOf(const std::vector<PostedMessage>& rows)
{
    std::vector<std::u16string> texts;
    for (const PostedMessage& row : rows)
        texts.push_back(row.text);
    return texts;
}

std::optional<int> waitSeconds(const std::u16string& text, std::u16string_view name)
{
    const std::u16string prefix = std::u16string(name) + u"...";
    if (text.size() <= prefix.size() + 1 || text.compare(0, prefix.size(), prefix) != 0 ||
        text.back() != u's')
        return std::nullopt;
    int seconds = 0;
    for (std::size_t i = prefix.size(); i + 1 < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        seconds = seconds * 10 + (text[i] - u'0');
    }
    return seconds;
}

std::size_t indexOf(const std::vector<PostedMessage>& rows, const std::u16string& text,
                    std::size_t from)
{
    for (std::size_t i = from; i < rows.size(); ++i)
        if (rows[i].text == text)
            return i;
    return rows.size();
}

int expectSecondsCountUp(const std::vector<PostedMessage>& rows, std::size_t first, std::size_t end,
                         std::u16string_view name, int firstSecond)
{
    if (first == 0 || end > rows.size() || first >= end) {
        ADD_FAILURE() << "no waiting texts between rows " << first << " and " << end;
        return 0;
    }
    int previous = firstSecond - 1;
    for (std::size_t i = first; i < end; ++i) {
        const std::optional<int> seconds = waitSeconds(rows[i].text, name);
        if (!seconds) {
            ADD_FAILURE() << "row " << i << " is not a waiting text";
            return previous;
        }
        if (i == first)
            EXPECT_EQ(*seconds, firstSecond) << "row " << i;
        else
            EXPECT_TRUE(*seconds == previous + 1 || *seconds == previous + 2)
                << "row " << i << ": " << *seconds << " after " << previous;
        EXPECT_LE(static_cast<std::uint32_t>(*seconds) * 1000u,
                  vexlo::tickDiff(rows[i].tick, rows[first - 1].tick))
            << "row " << i;
        previous = *seconds;
    }
    return previous;
}

} // namespace vexlo
