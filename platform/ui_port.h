#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <string>

// The port between the engine or dialog logic and the user-interface thread.
// Workers, callbacks and apply threads never touch a control: they post window
// messages through this port. The Qt GUI, the command line and the tests each
// implement it once.
namespace vexlo {

// A window message. `text` carries a copy of what a row update shows, so a later
// rewrite of the record's buffer cannot change what an earlier message shows.
struct UiMessage
{
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::u16string text;
};

// What runs on the user-interface thread: the main window's logic.
class UiHandler
{
public:
    virtual ~UiHandler() = default;
    virtual LPARAM onMessage(const UiMessage& message) = 0;
    virtual void onTimer(std::uint32_t timerId) = 0;
};

class UiPort
{
public:
    virtual ~UiPort() = default;

    // Queues a message for the handler. Any thread.
    virtual void post(UiMessage message) = 0;

    // Hands a message to the handler and waits until it has been handled; on the
    // user-interface thread itself the handler runs at once. Any thread. Returns
    // the handler's result, or 0 when the port has shut down.
    virtual LPARAM send(UiMessage message) = 0;

    // Drops every queued message with this number, unhandled.
    virtual void removePosted(std::uint32_t message) = 0;

    // Starts (or restarts) timer `id` with a period of `periodMs` milliseconds of
    // scaled time; each tick calls the handler's onTimer(id) on the
    // user-interface thread. Any thread.
    virtual void setTimer(std::uint32_t id, std::uint32_t periodMs) = 0;
    virtual void killTimer(std::uint32_t id) = 0;

    // Modal boxes, called on the user-interface thread: they block the caller
    // until answered while posted messages and timer ticks keep being handled.
    virtual bool askYesNo(const std::u16string& text) = 0;
    virtual void showMessage(const std::u16string& text) = 0;

    // Lets `ms` milliseconds of scaled time pass on the user-interface thread
    // while posted messages and timer ticks keep being handled.
    virtual void waitWhileHandling(std::uint32_t ms) = 0;
};

} // namespace vexlo
