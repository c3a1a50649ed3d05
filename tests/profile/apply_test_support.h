#pragma once

#include "tests/support/mock_device_library.h"

#include "engine/batch_state.h"
#include "platform/ui_port.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vexlo {

// Test doubles for the configuration push: a device library whose logins and
// section answers follow a script per device, and a user-interface port that
// records every message with the tick at which it was posted.

enum class DeviceReply
{
    Accept,   // status event 4, or the section answered
    Refuse,   // status event 5, or the section refused (top bit set)
    Silent,   // no answer ever comes
    SendFails // the library call itself fails (Login returns 0, SetDVRConfig -1)
};

struct ApplyDeviceScript
{
    DeviceReply login = DeviceReply::Accept;
    bool loginAnswerBeforeReturn = false; // the answer comes inside the Login call
    std::uint32_t loginDelayMs = 300;     // scaled milliseconds after the call
    // Per command code, the reply to each attempt in turn; missing: Accept.
    std::map<int, std::vector<DeviceReply>> sections;
    std::uint32_t answerDelayMs = 300;
};

struct SentRequest
{
    std::string ip;
    int code = 0;
    std::string text;
    int length = 0;
};

class ScriptedDevices : public ::testing::NiceMock<MockDeviceLibrary>
{
public:
    explicit ScriptedDevices(BatchState& state);
    ~ScriptedDevices() override;

    void addDevice(const std::string& ip, ApplyDeviceScript script = {});
    // A live handle for `ip`, as an earlier instruction's login left it.
    int loginNow(const std::string& ip);
    // Delivers nothing more; waits for a delivery in progress.
    void shutdown();

    std::vector<SentRequest> requests() const;
    std::vector<SentRequest> requestsTo(const std::string& ip) const;
    int loginCalls() const;

private:
    int login(const char* ip);
    int setConfig(int handle, int code, const char* text, int length);
    void schedule(std::uint32_t delayMs, std::function<void()> deliver);
    void deliveryLoop();

    BatchState& m_state;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, ApplyDeviceScript> m_scripts;
    std::map<int, std::string> m_handles;
    std::map<std::string, std::map<int, std::size_t>> m_attempts;
    std::vector<SentRequest> m_requests;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> m_pending;
    int m_nextHandle = 500;
    int m_loginCalls = 0;
    bool m_quit = false;
    bool m_delivering = false;
    std::thread m_deliverer;
};

struct PostedMessage
{
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::u16string text;
    std::uint32_t tick = 0;
};

// Records posts; a hook sees each one on the posting thread before it is
// recorded, so a test can make a device answer exactly when a row shows a text.
class RecordingUiPort : public vexlo::UiPort
{
public:
    using Hook = std::function<void(const vexlo::UiMessage& message)>;

    void setHook(Hook hook); // before any thread posts

    void post(vexlo::UiMessage message) override;
    LPARAM send(vexlo::UiMessage message) override;
    void removePosted(std::uint32_t) override {}
    void setTimer(std::uint32_t, std::uint32_t) override {}
    void killTimer(std::uint32_t) override {}
    bool askYesNo(const std::u16string&) override { return true; }
    void showMessage(const std::u16string&) override {}
    void waitWhileHandling(std::uint32_t) override {}

    std::vector<PostedMessage> messages() const;
    // The status texts posted for `record`, in order, with their ticks.
    std::vector<PostedMessage> rowTexts(const void* record) const;
    std::size_t count(std::uint32_t message) const;
    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds limit = std::chrono::seconds(60));

private:
    Hook m_hook;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<PostedMessage> m_messages;
};

// The texts of a row without their ticks.
std::vector<std::u16string> textsOf(const std::vector<PostedMessage>& rows);

// The seconds of a waiting text ("<name>...<n>s"), or nothing for another text.
std::optional<int> waitSeconds(const std::u16string& text, std::u16string_view name);

// The index of the first row at or after `from` that shows `text`; rows.size()
// when there is none.
std::size_t indexOf(const std::vector<PostedMessage>& rows, const std::u16string& text,
                    std::size_t from = 0);

// Checks the waiting texts rows[first, end) of `name`: their seconds start at
// `firstSecond`, count up by one a text, and never run ahead of the time since
// rows[first - 1] (the text shown when the wait began). A thread that woke
// late may skip a second, as the count is of whole seconds elapsed; it never
// shows one twice. Returns the last second shown (0 when there is none).
int expectSecondsCountUp(const std::vector<PostedMessage>& rows, std::size_t first, std::size_t end,
                         std::u16string_view name, int firstSecond);

} // namespace vexlo
