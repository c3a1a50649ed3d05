#include "gui/video_wall_dialog.h"

#include "gui/video_pane_widget.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

namespace vexlo {
namespace {

QRect screenArea(QWidget* parent)
{
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

VideoWallDialog::VideoWallDialog(const std::vector<_DEVICERECORD*>& devices, QWidget* parent,
                                 QRect area)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_wall(devices)
{
    setObjectName(QStringLiteral("videoWall"));
    setModal(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    // The whole screen, so the client area is the screen itself.
    if (area.isEmpty())
        area = screenArea(parent);
    setGeometry(area);

    const std::vector<PaneRect>& rects = m_wall.createPanes({0, 0, area.width(), area.height()});
    m_panes.reserve(rects.size());
    for (std::size_t k = 0; k < rects.size(); ++k) {
        CStaWnd& pane = m_wall.pane(static_cast<int>(k));
        auto* widget = new VideoPaneWidget(&pane, this);
        widget->setGeometry(rects[k].left, rects[k].top, rects[k].width, rects[k].height);
        pane.setRenderTarget(widget);
        m_panes.push_back(widget);
    }
    m_wall.startPlays();
}

VideoWallDialog::~VideoWallDialog()
{
    // The player draws into the pane widgets until its ports are stopped.
    m_wall.close();
}

void VideoWallDialog::done(int result)
{
    m_wall.close();
    QDialog::done(result);
}

} // namespace vexlo
