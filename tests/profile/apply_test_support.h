#pragma once

#include "tests/support/wait.h"

#include "platform/ui_port.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlo {

// A user-interface port that records every message with the tick at which it
// was posted, and helpers to read the waiting texts of the configuration push.

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

private:
    Hook m_hook;
    mutable std::mutex m_mutex;
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
