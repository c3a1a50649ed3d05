#pragma once

#include "platform/ui_port.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

class QTimer;

// The user-interface port on Qt. The thread that creates it (the thread of the
// QApplication) is the user-interface thread.
namespace vexlo {

class QtUiPort : public QObject, public UiPort
{
    Q_OBJECT

public:
    explicit QtUiPort(UiHandler* handler = nullptr, QObject* parent = nullptr);
    ~QtUiPort() override;

    void setHandler(UiHandler* handler) { m_handler = handler; }
    // Parent of the message boxes (the main window), so they are modal to it.
    void setBoxParent(QWidget* parent) { m_boxParent = parent; }
    // Called whenever the port hands control back to the event loop after the
    // handler ran (and before a modal box or a wait opens), so the views can
    // draw what the handler changed.
    void setAfterHandling(std::function<void()> callback) { m_afterHandling = std::move(callback); }

    // Refuses further posts, drops the queued messages and stops the timers;
    // every sender still waiting gets 0. Called before the handler goes away.
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
    bool timerActive(std::uint32_t id) const;

private:
    struct Sent
    {
        LPARAM result = 0;
        bool done = false;
    };
    struct Item
    {
        UiMessage message;
        Sent* sent = nullptr; // set for send(): the sender waits on it
    };

    struct TimerCommand
    {
        std::uint32_t id = 0;
        std::optional<std::uint32_t> periodMs; // none: stop
    };

    bool onUiThread() const;
    void enqueue(Item item);
    // Queued calls by name: the data they act on travels through our own
    // locked queues, never inside the queued call itself.
    Q_INVOKABLE void deliverOne();
    Q_INVOKABLE void applyTimerCommands();
    void queueTimerCommand(TimerCommand command);
    void runTimer(std::uint32_t id, std::uint32_t periodMs);
    void stopTimer(std::uint32_t id);
    void tick(std::uint32_t id);
    void handled();
    void finishSend(Sent* sent, LPARAM result);

    UiHandler* m_handler = nullptr;
    QPointer<QWidget> m_boxParent;
    std::function<void()> m_afterHandling;

    mutable std::mutex m_mutex;
    std::condition_variable m_sendDone;
    std::deque<Item> m_queue;
    std::deque<TimerCommand> m_timerCommands;
    bool m_shutdown = false;

    std::map<std::uint32_t, QTimer*> m_timers; // user-interface thread only
};

} // namespace vexlo
