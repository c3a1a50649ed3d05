#include "gui/qt_ui_port.h"

#include "gui/application_title.h"
#include "platform/tick.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace vexlo {
namespace {

// Real time for `scaledMs` of scaled time, rounded up to whole milliseconds.
std::chrono::milliseconds realMilliseconds(std::uint32_t scaledMs)
{
    return std::chrono::ceil<std::chrono::milliseconds>(scaledDuration(scaledMs));
}

// A question of the run is answered by Yes or No only. Escape, pressed out of
// habit, and the title bar's close box would otherwise answer No and end a run
// of many cameras half way; here they do nothing.
class QuestionBox final : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

QtUiPort::QtUiPort(UiHandler* handler, QObject* parent) : QObject(parent), m_handler(handler)
{
}

QtUiPort::~QtUiPort()
{
    shutdown();
}

bool QtUiPort::onUiThread() const
{
    return QThread::currentThread() == thread();
}

// THE one hop to the user-interface thread. Workers, SDK callbacks and apply
// threads only post or send; the message goes into this queue under the lock,
// and a queued call makes the user-interface thread's event loop take the
// oldest message and hand it to the handler. One queued call per message keeps
// the order and lets nested event loops (modal boxes, waits) go on delivering;
// a call that finds the queue emptied by removePosted() does nothing. Nothing
// else in the GUI knows about threads.
void QtUiPort::enqueue(Item item)
{
    std::lock_guard lock(m_mutex);
    if (m_shutdown) {
        if (item.sent)
            item.sent->done = true; // result stays 0
        m_sendDone.notify_all();
        return;
    }
    m_queue.push_back(std::move(item));
    QMetaObject::invokeMethod(this, "deliverOne", Qt::QueuedConnection);
}

void QtUiPort::deliverOne()
{
    Item item;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.empty())
            return;
        item = std::move(m_queue.front());
        m_queue.pop_front();
    }
    LPARAM result = 0;
    if (m_handler)
        result = m_handler->onMessage(item.message);
    if (item.sent)
        finishSend(item.sent, result);
    handled();
}

void QtUiPort::finishSend(Sent* sent, LPARAM result)
{
    std::lock_guard lock(m_mutex);
    sent->result = result;
    sent->done = true;
    m_sendDone.notify_all();
}

void QtUiPort::handled()
{
    if (m_afterHandling)
        m_afterHandling();
}

void QtUiPort::post(UiMessage message)
{
    enqueue(Item{std::move(message), nullptr});
}

LPARAM QtUiPort::send(UiMessage message)
{
    if (onUiThread()) {
        const LPARAM result = m_handler ? m_handler->onMessage(message) : 0;
        return result;
    }
    Sent sent;
    enqueue(Item{std::move(message), &sent});
    std::unique_lock lock(m_mutex);
    m_sendDone.wait(lock, [&] { return sent.done; });
    return sent.result;
}

void QtUiPort::removePosted(std::uint32_t message)
{
    std::lock_guard lock(m_mutex);
    // Sent messages stay: their senders are waiting for an answer.
    std::erase_if(m_queue, [&](const Item& item) {
        return item.sent == nullptr && item.message.message == message;
    });
}

std::size_t QtUiPort::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void QtUiPort::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_shutdown = true;
        for (Item& item : m_queue) {
            if (item.sent)
                item.sent->done = true;
        }
        m_queue.clear();
        m_sendDone.notify_all();
    }
    if (onUiThread()) {
        for (auto& [id, timer] : m_timers)
            timer->stop();
    }
}

void QtUiPort::setTimer(std::uint32_t id, std::uint32_t periodMs)
{
    if (onUiThread())
        runTimer(id, periodMs);
    else
        queueTimerCommand({id, periodMs});
}

void QtUiPort::killTimer(std::uint32_t id)
{
    if (onUiThread())
        stopTimer(id);
    else
        queueTimerCommand({id, std::nullopt});
}

// Timers live on the user-interface thread; another thread's start or stop
// reaches them through the same kind of queued call as a posted message.
void QtUiPort::queueTimerCommand(TimerCommand command)
{
    std::lock_guard lock(m_mutex);
    if (m_shutdown)
        return;
    m_timerCommands.push_back(command);
    QMetaObject::invokeMethod(this, "applyTimerCommands", Qt::QueuedConnection);
}

void QtUiPort::applyTimerCommands()
{
    std::deque<TimerCommand> commands;
    {
        std::lock_guard lock(m_mutex);
        commands.swap(m_timerCommands);
    }
    for (const TimerCommand& command : commands) {
        if (command.periodMs)
            runTimer(command.id, *command.periodMs);
        else
            stopTimer(command.id);
    }
}

void QtUiPort::runTimer(std::uint32_t id, std::uint32_t periodMs)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_shutdown)
            return;
    }
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { tick(id); });
    }
    // A zero interval would spin the event loop; a millisecond is the floor.
    timer->setInterval(std::max(std::chrono::milliseconds(1), realMilliseconds(periodMs)));
    timer->start();
}

void QtUiPort::stopTimer(std::uint32_t id)
{
    const auto found = m_timers.find(id);
    if (found != m_timers.end())
        found->second->stop();
}

bool QtUiPort::timerActive(std::uint32_t id) const
{
    const auto found = m_timers.find(id);
    return found != m_timers.end() && found->second->isActive();
}

void QtUiPort::tick(std::uint32_t id)
{
    if (m_handler)
        m_handler->onTimer(id);
    handled();
}

bool QtUiPort::askYesNo(const std::u16string& text)
{
    handled();
    QuestionBox box(QMessageBox::Question, QString::fromStdU16String(kApplicationTitle),
                    QString::fromStdU16String(text), QMessageBox::Yes | QMessageBox::No,
                    m_boxParent.data());
    box.setDefaultButton(QMessageBox::Yes);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

void QtUiPort::showMessage(const std::u16string& text)
{
    handled();
    QMessageBox box(QMessageBox::Information, QString::fromStdU16String(kApplicationTitle),
                    QString::fromStdU16String(text), QMessageBox::Ok, m_boxParent.data());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtUiPort::waitWhileHandling(std::uint32_t ms)
{
    handled();
    QEventLoop loop;
    QTimer::singleShot(realMilliseconds(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    // Posted messages, timer ticks and painting go on; the user's clicks and
    // keys wait until the pause is over, as they would behind a busy window.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace vexlo
