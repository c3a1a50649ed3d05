#pragma once

// What a session reports to the library, which turns it into the caller's
// callbacks. Called on the I/O threads with no lock of the session held.
namespace vexlo::netsdk {

class SessionEvents
{
public:
    virtual ~SessionEvents() = default;
    virtual void statusEvent(int loginHandle, int event) = 0;
    // text is NUL-terminated (the answer may hold NULs of its own before that).
    virtual void answer(int loginHandle, int code, const char* text) = 0;
};

} // namespace vexlo::netsdk
