#pragma once

#include "video/watch_video.h"

#include <QDialog>

// The single-device video window on Qt: a modal black dialog of 553 × 275
// dialog units whose whole client area is the picture. Its start is posted to
// its own event loop when it is made, so it runs once the dialog is visible.
namespace vexlo {
struct BatchState;
struct _DEVICERECORD;

class VideoPaneWidget;

class WatchVideoDialog : public QDialog
{
public:
    static constexpr int kWidthUnits = 553;
    static constexpr int kHeightUnits = 275;

    WatchVideoDialog(_DEVICERECORD* device, BatchState& state, QWidget* parent = nullptr);
    ~WatchVideoDialog() override;

    WatchVideo& logic() { return m_logic; }
    VideoPaneWidget* view() const { return m_view; }

    void done(int result) override;

private:
    WatchVideo m_logic;
    VideoPaneWidget* m_view = nullptr;
};

} // namespace vexlo
