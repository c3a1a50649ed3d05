#include "event_recorder.h"

#include <algorithm>

namespace vexlo::test {

int EventRecorder::onStatus(int handle, int event, int, void* user)
{
    auto* self = static_cast<EventRecorder*>(user);
    std::lock_guard lock(self->m_mutex);
    self->m_statuses.push_back({handle, event});
    return 0;
}

int EventRecorder::onAnswer(int handle, int code, const char* text, void* user)
{
    auto* self = static_cast<EventRecorder*>(user);
    std::lock_guard lock(self->m_mutex);
    self->m_answers.push_back({handle, code, text ? std::string(text) : std::string()});
    return 0;
}

bool EventRecorder::waitForStatus(int handle, int event, std::chrono::milliseconds timeout,
                                  int times)
{
    return waitUntil([&] { return statusCount(handle, event) >= times; }, timeout);
}

std::optional<AnswerRecord> EventRecorder::waitForAnswer(int handle, int code,
                                                         std::chrono::milliseconds timeout)
{
    std::optional<AnswerRecord> found;
    waitUntil(
        [&] {
            for (const AnswerRecord& answer : answers()) {
                if (answer.handle == handle && answer.code == code) {
                    found = answer;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

int EventRecorder::statusCount(int handle, int event) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_statuses.begin(), m_statuses.end(), [&](const StatusRecord& s) {
            return s.handle == handle && s.event == event;
        }));
}

std::vector<StatusRecord> EventRecorder::statuses() const
{
    std::lock_guard lock(m_mutex);
    return m_statuses;
}

std::vector<AnswerRecord> EventRecorder::answers() const
{
    std::lock_guard lock(m_mutex);
    return m_answers;
}

} // namespace vexlo::test
