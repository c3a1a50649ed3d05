#pragma once

#include "wait.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Collects what a device library reports through its two callbacks, and lets
// a test wait for a report with a deadline instead of sleeping.
namespace vexlo::test {

struct StatusRecord
{
    int handle = 0;
    int event = 0;
};

struct AnswerRecord
{
    int handle = 0;
    int code = 0;
    std::string text;
};

class EventRecorder
{
public:
    // Install with IP_NET_DVR_SetStatusEventCallBack / SetAUXResponseCallBack
    // (or the NetSdk methods) and `this` as the user value.
    static int onStatus(int handle, int event, int value, void* user);
    static int onAnswer(int handle, int code, const char* text, void* user);

    // True once `handle` has reported `event` `times` times before the deadline.
    bool waitForStatus(int handle, int event, std::chrono::milliseconds timeout, int times = 1);
    // The first answer for `handle` whose code is `code` (refusals included when
    // code has the refusal bit).
    std::optional<AnswerRecord> waitForAnswer(int handle, int code,
                                              std::chrono::milliseconds timeout);

    int statusCount(int handle, int event) const;
    std::vector<StatusRecord> statuses() const;
    std::vector<AnswerRecord> answers() const;

private:
    mutable std::mutex m_mutex;
    std::vector<StatusRecord> m_statuses;
    std::vector<AnswerRecord> m_answers;
};

} // namespace vexlo::test
