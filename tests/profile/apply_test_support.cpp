#include "apply_test_support.h"

#include "engine/messages.h"
#include "platform/tick.h"

#include <gtest/gtest.h>

namespace vexlo {

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
