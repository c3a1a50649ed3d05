#include "gui/warning_block_widget.h"

#include "settings/warning_block.h"

#include <QColor>
#include <QMouseEvent>
#include <QPainter>

namespace vexlo {
namespace {

QColor colourOf(std::uint32_t rgb)
{
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

} // namespace

WarningBlockWidget::WarningBlockWidget(WarningBlock& grid, QWidget* parent)
    : QWidget(parent), m_grid(grid)
{
    setObjectName(QStringLiteral("warningBlock"));
    setFixedSize(WarningBlock::kWidth, WarningBlock::kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent); // the grid fills every pixel itself
    m_grid.setClientSize(WarningBlock::kWidth, WarningBlock::kHeight);
    m_grid.setInvalidate([this] { update(); });
}

WarningBlockWidget::~WarningBlockWidget()
{
    // The grid outlives this widget (it belongs to the page's logic).
    m_grid.setInvalidate({});
}

void WarningBlockWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const DrawCommand& command : m_grid.paint()) {
        const QColor colour = colourOf(command.colour);
        switch (command.kind) {
        case DrawCommand::Kind::FillRect:
            painter.fillRect(QRect(command.a, command.b, command.c, command.d), colour);
            break;
        case DrawCommand::Kind::Line:
            painter.setPen(QPen(colour, 1));
            painter.drawLine(command.a, command.b, command.c, command.d);
            break;
        }
    }
}

void WarningBlockWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    m_grid.onLButtonDown(point.x(), point.y());
    event->accept();
}

} // namespace vexlo
