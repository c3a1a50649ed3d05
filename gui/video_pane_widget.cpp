#include "gui/video_pane_widget.h"

#include "video/sta_wnd.h"

#include <QImage>
#include <QPainter>
#include <QTimer>

#include <cstddef>

namespace vexlo {
namespace {

QColor colourOf(std::uint32_t rgb)
{
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

// A picture whose buffer is smaller than its size claims is not drawn.
bool drawable(const sdk::RgbPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0)
        return false;
    const auto needed =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3u;
    return picture.rgb.size() >= needed;
}

} // namespace

VideoPaneWidget::VideoPaneWidget(const CStaWnd* pane, QWidget* parent)
    : QWidget(parent), m_pane(pane), m_timer(new QTimer(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted
    connect(m_timer, &QTimer::timeout, this, [this] { repaintIfNew(); });
    m_timer->start(kRepaintPeriodMs);
}

VideoPaneWidget::~VideoPaneWidget() = default;

sdk::PictureBounds VideoPaneWidget::pictureBounds() const
{
    return {m_width.load(), m_height.load()};
}

void VideoPaneWidget::resizeEvent(QResizeEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    m_width = static_cast<int>(width() * ratio);
    m_height = static_cast<int>(height() * ratio);
    QWidget::resizeEvent(event);
}

void VideoPaneWidget::presentPicture(std::shared_ptr<const sdk::RgbPicture> picture)
{
    std::lock_guard lock(m_mutex);
    m_newest = std::move(picture);
    m_newPicture = true;
}

std::shared_ptr<const sdk::RgbPicture> VideoPaneWidget::shownPicture() const
{
    return m_shown;
}

void VideoPaneWidget::repaintIfNew()
{
    std::lock_guard lock(m_mutex);
    if (m_newPicture)
        update();
}

void VideoPaneWidget::paintEvent(QPaintEvent*)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_newPicture) {
            m_shown = m_newest;
            m_newPicture = false;
        }
    }
    QPainter painter(this);
    const std::vector<PaneDrawCommand> commands =
        m_pane ? m_pane->paint(width(), height())
               : std::vector<PaneDrawCommand>{{true, 0, 0, width(), height(), kPaneBlack}};
    for (const PaneDrawCommand& command : commands) {
        if (command.fillsBackground)
            painter.fillRect(command.left, command.top, command.width, command.height,
                             colourOf(command.colour));
    }
    if (m_shown && drawable(*m_shown)) {
        const QImage image(m_shown->rgb.data(), m_shown->width, m_shown->height,
                           static_cast<qsizetype>(m_shown->width) * 3, QImage::Format_RGB888);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image);
    }
    for (const PaneDrawCommand& command : commands) {
        if (!command.fillsBackground)
            painter.fillRect(command.left, command.top, command.width, command.height,
                             colourOf(command.colour));
    }
}

} // namespace vexlo
