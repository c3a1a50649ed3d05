#include "gui_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace vexlo::test {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return waitUntil(condition, std::chrono::milliseconds(timeoutMs), [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
}

QMessageBox* openMessageBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

void answerNextBox(QMessageBox::StandardButton button, QString* seenCaption, QString* seenText,
                   std::function<bool()> beforeAnswer)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QMessageBox* box = openMessageBox();
        if (!box)
            return;
        if (beforeAnswer && !beforeAnswer())
            return;
        if (seenCaption)
            *seenCaption = box->windowTitle();
        if (seenText)
            *seenText = box->text();
        poll->stop();
        poll->deleteLater();
        if (QAbstractButton* answer = box->button(button))
            answer->click();
    });
    poll->start();
}

} // namespace vexlo::test
