#pragma once

#include "platform/ui_port.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The user-interface port without windows, for the command line and the tests.
// The thread that calls run...() is the user-interface thread: messages and
// timer ticks are handled there one at a time, in order.
namespace vexlo {

class HeadlessUiPort : public UiPort
{
public:
    // Answers a question at once (a value) or later (nothing: the port keeps
    // handling messages until answer() is called from any thread).
    using Answerer = std::function<std::optional<bool>(const std::u16string& question)>;
    using BoxObserver = std::function<void(const std::u16string& text)>;

    explicit HeadlessUiPort(UiHandler* handler = nullptr);
    ~HeadlessUiPort() override;

    void setHandler(UiHandler* handler);
    void setAnswerer(Answerer answerer); // default: every question is answered Yes
    void setBoxObserver(BoxObserver observer);
    // Answers the innermost open question; any thread. Without an open
    // question it does nothing.
    void answer(bool yes);

    // Handles messages and ticks on the calling thread until `done()` is true
    // (checked after each one and at least every 10 ms) or `timeout` of real
    // time has passed. Returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Handles messages and ticks until quit() is called.
    void run();
    void quit();
    // Refuses further posts, drops the queued messages and the timers, releases
    // every sender whose message is still queued (send() returns 0) and ends
    // run(). A sender whose message is being handled gets its result.
    void shutdown();

    void post(UiMessage message) override;
    LPARAM send(UiMessage message) override;
    void removePosted(std::uint32_t message) override;
    void setTimer(std::uint32_t id, std::uint32_t periodMs) override;
    void killTimer(std::uint32_t id) override;
    bool askYesNo(const std::u16string& text) override;
    void showMessage(const std::u16string& text) override;
    void waitWhileHandling(std::uint32_t ms) override;

    std::size_t pendingCount() const;

private:
    using Clock = std::chrono::steady_clock;

    struct Sent
    {
        LPARAM result = 0;
        bool done = false;
    };
    struct Item
    {
        UiMessage message;
        Sent* sent = nullptr; // set for send(): the sender waits on it
        Clock::time_point posted;
    };
    struct Timer
    {
        std::chrono::nanoseconds period;
        Clock::time_point due;
    };

    // Handles at most one message or one due timer tick; waits up to `limit`
    // for one unless `stopWaiting` (checked under the lock) is already true.
    // Returns false when nothing was handled.
    bool handleOne(Clock::time_point limit, const std::function<bool()>& stopWaiting = {});
    void dispatch(Item item);
    void becomeUiThread();
    bool onUiThread() const;
    void wake();

    UiHandler* m_handler = nullptr;
    Answerer m_answerer;
    BoxObserver m_boxObserver;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_queue;
    std::map<std::uint32_t, Timer> m_timers;
    // Open questions, innermost last; answer() fills the innermost unanswered.
    std::vector<std::optional<bool>> m_questions;
    bool m_quit = false;
    bool m_shutdown = false;
    std::thread::id m_uiThread;
};

} // namespace vexlo
