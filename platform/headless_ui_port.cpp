#include "platform/headless_ui_port.h"

#include "platform/tick.h"

#include <algorithm>

namespace vexlo {
namespace {

// A window timer never fires faster than this (the system's minimum), in
// scaled time, and never faster than once a millisecond of real time.
constexpr std::uint32_t kMinTimerPeriodMs = 10;
constexpr std::chrono::nanoseconds kMinRealTimerPeriod = std::chrono::milliseconds(1);
// How often runUntil() checks its condition when nothing happens.
constexpr std::chrono::milliseconds kConditionPoll(10);

} // namespace

HeadlessUiPort::HeadlessUiPort(UiHandler* handler)
    : m_handler(handler), m_uiThread(std::this_thread::get_id())
{
}

HeadlessUiPort::~HeadlessUiPort()
{
    shutdown();
}

void HeadlessUiPort::setHandler(UiHandler* handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = handler;
}

void HeadlessUiPort::setAnswerer(Answerer answerer)
{
    std::lock_guard lock(m_mutex);
    m_answerer = std::move(answerer);
}

void HeadlessUiPort::setBoxObserver(BoxObserver observer)
{
    std::lock_guard lock(m_mutex);
    m_boxObserver = std::move(observer);
}

void HeadlessUiPort::answer(bool yes)
{
    {
        std::lock_guard lock(m_mutex);
        const auto open = std::find_if(m_questions.rbegin(), m_questions.rend(),
                                       [](const std::optional<bool>& q) { return !q.has_value(); });
        if (open == m_questions.rend()) {
            return;
        }
        *open = yes;
    }
    wake();
}

bool HeadlessUiPort::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    becomeUiThread();
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            return done();
        }
        handleOne(std::min(deadline, now + kConditionPoll));
    }
    return true;
}

void HeadlessUiPort::run()
{
    becomeUiThread();
    const auto stopWaiting = [this] { return m_quit || m_shutdown; };
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (stopWaiting()) {
                m_quit = false; // this quit is spent; a later run() runs again
                return;
            }
        }
        handleOne(Clock::time_point::max(), stopWaiting);
    }
}

void HeadlessUiPort::quit()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    wake();
}

void HeadlessUiPort::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        m_timers.clear();
        // Senders whose message is still queued are released with 0; the one
        // being handled, if any, is no longer in the queue and gets its result.
        for (Item& item : m_queue) {
            if (item.sent != nullptr) {
                item.sent->result = 0;
                item.sent->done = true;
            }
        }
        m_queue.clear();
    }
    wake();
}

void HeadlessUiPort::post(UiMessage message)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_shutdown) {
            return;
        }
        m_queue.push_back(Item{std::move(message), nullptr, Clock::now()});
    }
    wake();
}

LPARAM HeadlessUiPort::send(UiMessage message)
{
    if (onUiThread()) {
        UiHandler* handler = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_shutdown) {
                return 0;
            }
            handler = m_handler;
        }
        return handler != nullptr ? handler->onMessage(message) : 0;
    }

    Sent sent;
    std::unique_lock lock(m_mutex);
    if (m_shutdown) {
        return 0;
    }
    m_queue.push_back(Item{std::move(message), &sent, Clock::now()});
    m_changed.notify_all();
    // `sent` lives on this stack: the UI thread and shutdown() both finish with
    // it (under the lock) before setting `done`, so returning is safe then.
    m_changed.wait(lock, [&sent] { return sent.done; });
    return sent.result;
}

void HeadlessUiPort::removePosted(std::uint32_t message)
{
    std::lock_guard lock(m_mutex);
    // Sent messages stay: their senders wait for them.
    std::erase_if(m_queue, [message](const Item& item) {
        return item.sent == nullptr && item.message.message == message;
    });
}

void HeadlessUiPort::setTimer(std::uint32_t id, std::uint32_t periodMs)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_shutdown) {
            return;
        }
        const auto period =
            std::max(scaledDuration(std::max(periodMs, kMinTimerPeriodMs)), kMinRealTimerPeriod);
        m_timers[id] = Timer{period, Clock::now() + period};
    }
    wake();
}

void HeadlessUiPort::killTimer(std::uint32_t id)
{
    std::lock_guard lock(m_mutex);
    m_timers.erase(id);
}

bool HeadlessUiPort::askYesNo(const std::u16string& text)
{
    Answerer answerer;
    std::size_t slot = 0;
    {
        std::lock_guard lock(m_mutex);
        answerer = m_answerer;
        // Opened before the answerer runs, so an answer() it triggers on
        // another thread cannot arrive before the question is open.
        slot = m_questions.size();
        m_questions.emplace_back();
    }
    const std::optional<bool> immediate = answerer ? answerer(text) : std::optional<bool>(true);

    const auto answered = [this, slot] { return m_shutdown || m_questions[slot].has_value(); };
    if (!immediate) {
        // The modal loop: the caller waits here while messages and ticks go on.
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (answered()) {
                    break;
                }
            }
            handleOne(Clock::time_point::max(), answered);
        }
    }

    std::lock_guard lock(m_mutex);
    // A shut-down port answers an open question No: nothing goes ahead.
    const bool yes = immediate ? *immediate : m_questions[slot].value_or(false);
    m_questions.resize(slot);
    return yes;
}

void HeadlessUiPort::showMessage(const std::u16string& text)
{
    BoxObserver observer;
    {
        std::lock_guard lock(m_mutex);
        observer = m_boxObserver;
    }
    // Nobody reads the box: it is closed with OK at once.
    if (observer) {
        observer(text);
    }
}

void HeadlessUiPort::waitWhileHandling(std::uint32_t ms)
{
    const auto deadline = Clock::now() + scaledDuration(ms);
    while (Clock::now() < deadline) {
        handleOne(deadline);
    }
}

std::size_t HeadlessUiPort::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

bool HeadlessUiPort::handleOne(Clock::time_point limit, const std::function<bool()>& stopWaiting)
{
    std::unique_lock lock(m_mutex);
    for (bool waited = false;; waited = true) {
        const auto now = Clock::now();
        auto timer =
            std::min_element(m_timers.begin(), m_timers.end(), [](const auto& a, const auto& b) {
                return a.second.due < b.second.due;
            });
        const bool tickDue = timer != m_timers.end() && timer->second.due <= now;
        // In order of time: a message posted before a tick fell due goes first.
        if (!m_queue.empty() && (!tickDue || m_queue.front().posted < timer->second.due)) {
            Item item = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            dispatch(std::move(item));
            return true;
        }
        if (tickDue) {
            // One tick however late it is; the next one a full period later.
            Timer& due = timer->second;
            due.due += due.period;
            if (due.due <= now) {
                due.due = now + due.period;
            }
            const std::uint32_t id = timer->first;
            UiHandler* handler = m_handler;
            lock.unlock();
            if (handler != nullptr) {
                handler->onTimer(id);
            }
            return true;
        }
        if (waited || now >= limit || (stopWaiting && stopWaiting())) {
            return false;
        }
        const auto wakeAt = timer != m_timers.end() ? std::min(limit, timer->second.due) : limit;
        if (wakeAt == Clock::time_point::max()) {
            m_changed.wait(lock);
        } else {
            m_changed.wait_until(lock, wakeAt);
        }
    }
}

void HeadlessUiPort::dispatch(Item item)
{
    UiHandler* handler = nullptr;
    {
        std::lock_guard lock(m_mutex);
        handler = m_handler;
    }
    // Never under the lock: the handler may post, send, set timers or ask.
    const LPARAM result = handler != nullptr ? handler->onMessage(item.message) : 0;
    if (item.sent != nullptr) {
        {
            std::lock_guard lock(m_mutex);
            item.sent->result = result;
            item.sent->done = true;
        }
        m_changed.notify_all();
    }
}

void HeadlessUiPort::becomeUiThread()
{
    std::lock_guard lock(m_mutex);
    m_uiThread = std::this_thread::get_id();
}

bool HeadlessUiPort::onUiThread() const
{
    std::lock_guard lock(m_mutex);
    return m_uiThread == std::this_thread::get_id();
}

void HeadlessUiPort::wake()
{
    m_changed.notify_all();
}

} // namespace vexlo
