#pragma once

#include "sdk/netsdk.h"

#include <mutex>

// The two callbacks a device library reports through. The program may set
// them at any time; the library calls them from its own threads, and never
// while one of its own locks is held.
namespace vexlo::sdk {

class CallbackSlots
{
public:
    void setStatus(STATUS_EVENT_CALLBACK callback, void* user)
    {
        std::lock_guard lock(m_mutex);
        m_status = callback;
        m_statusUser = user;
    }
    void setAnswer(AUX_RESPONSE_CALLBACK callback, void* user)
    {
        std::lock_guard lock(m_mutex);
        m_answer = callback;
        m_answerUser = user;
    }

    void status(int loginHandle, int event)
    {
        STATUS_EVENT_CALLBACK callback = nullptr;
        void* user = nullptr;
        {
            std::lock_guard lock(m_mutex);
            callback = m_status;
            user = m_statusUser;
        }
        if (callback)
            callback(loginHandle, event, 0, user);
    }
    void answer(int loginHandle, int code, const char* text)
    {
        AUX_RESPONSE_CALLBACK callback = nullptr;
        void* user = nullptr;
        {
            std::lock_guard lock(m_mutex);
            callback = m_answer;
            user = m_answerUser;
        }
        if (callback)
            callback(loginHandle, code, text, user);
    }

private:
    std::mutex m_mutex;
    STATUS_EVENT_CALLBACK m_status = nullptr;
    void* m_statusUser = nullptr;
    AUX_RESPONSE_CALLBACK m_answer = nullptr;
    void* m_answerUser = nullptr;
};

} // namespace vexlo::sdk
