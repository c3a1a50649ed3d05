#include "gui/virtual_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <Qt>

namespace vexlo {

int virtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVirtualKeyReturn;
    case Qt::Key_Escape:
        return kVirtualKeyEscape;
    case Qt::Key_Space:
        return kVirtualKeySpace;
    default:
        return 0;
    }
}

int virtualKeyForWindow(const QWidget* window, QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
        event->type() != QEvent::ShortcutOverride)
        return 0;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window)
        return 0;
    return virtualKeyOf(static_cast<QKeyEvent*>(event)->key());
}

} // namespace vexlo
