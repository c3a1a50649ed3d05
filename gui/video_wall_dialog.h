#pragma once

#include "video/mul_play.h"

#include <QDialog>

#include <vector>

// The video wall on Qt: a modal dialog over the whole screen, black, with the
// wall's panes placed at the rectangles the logic computes for its client
// area. The plays start when the dialog is made and stop when it closes,
// before any pane widget goes away.
namespace vexlo {
struct _DEVICERECORD;

class VideoPaneWidget;

class VideoWallDialog : public QDialog
{
public:
    // `area` is the screen area to cover; empty: the parent's screen (or the
    // primary one).
    VideoWallDialog(const std::vector<_DEVICERECORD*>& devices, QWidget* parent = nullptr,
                    QRect area = {});
    ~VideoWallDialog() override;

    CMULPLay& wall() { return m_wall; }
    const std::vector<VideoPaneWidget*>& panes() const { return m_panes; }

    void done(int result) override;

private:
    CMULPLay m_wall;
    std::vector<VideoPaneWidget*> m_panes;
};

} // namespace vexlo
