#include "gui/watch_video_dialog.h"

#include "gui/video_pane_widget.h"

#include <QFontMetrics>
#include <QMetaObject>
#include <QPalette>
#include <QVBoxLayout>

namespace vexlo {
namespace {

// A dialog unit is a quarter of the font's average character width and an
// eighth of its height.
QSize dialogUnits(const QFont& font, int width, int height)
{
    const QFontMetrics metrics(font);
    const double averageWidth = metrics.horizontalAdvance(QStringLiteral(
                                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                                52.0;
    return QSize(static_cast<int>(width * averageWidth / 4.0 + 0.5),
                 static_cast<int>(height * metrics.height() / 8.0 + 0.5));
}

} // namespace

WatchVideoDialog::WatchVideoDialog(_DEVICERECORD* device, BatchState& state, QWidget* parent)
    : QDialog(parent), m_logic(device, state)
{
    setObjectName(QStringLiteral("watchVideo"));
    setModal(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    resize(dialogUnits(font(), kWidthUnits, kHeightUnits));

    m_view = new VideoPaneWidget(nullptr, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_logic.setRenderTarget(m_view);

    // The window's own message queue is this dialog's event loop: a queued call
    // with the dialog as context runs after the dialog is shown, and never once
    // the dialog is gone.
    m_logic.onInitDialog([this](std::uint32_t message) {
        QMetaObject::invokeMethod(
            this, [this, message] { m_logic.onMessage(message); }, Qt::QueuedConnection);
    });
}

WatchVideoDialog::~WatchVideoDialog()
{
    // The player draws into the view until its port is stopped.
    m_logic.close();
}

void WatchVideoDialog::done(int result)
{
    m_logic.close();
    QDialog::done(result);
}

} // namespace vexlo
