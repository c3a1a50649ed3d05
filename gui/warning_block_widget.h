#pragma once

#include <QWidget>

// The motion page's region grid on Qt: replays WarningBlock's drawing
// commands with a QPainter and hands left-button presses to it. The grid asks
// for its own repaints (after a layout, a load or a toggled cell).
namespace vexlo {

class WarningBlock;

class WarningBlockWidget : public QWidget
{
public:
    explicit WarningBlockWidget(WarningBlock& grid, QWidget* parent = nullptr);
    ~WarningBlockWidget() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    WarningBlock& m_grid;
};

} // namespace vexlo
