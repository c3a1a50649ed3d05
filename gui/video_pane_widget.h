#pragma once

#include "sdk/backend.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

class QTimer;

// A video pane on Qt: the window the player draws into. The player hands it
// pictures on its decode thread; the widget keeps only the newest one under a
// lock and marks it new, and a timer on the user-interface thread repaints
// when a new picture is there, so no other call crosses threads. A paint shows
// the picture scaled into the pane, then the pane's result frame on top.
namespace vexlo {

class CStaWnd;

class VideoPaneWidget : public QWidget, public sdk::RenderTarget
{
public:
    static constexpr int kRepaintPeriodMs = 40;

    // `pane` gives the background and the frame; without one the widget is
    // plain black under the picture (the single-device window).
    explicit VideoPaneWidget(const CStaWnd* pane, QWidget* parent = nullptr);
    ~VideoPaneWidget() override;

    // Any thread.
    void presentPicture(std::shared_ptr<const sdk::RgbPicture> picture) override;
    // The pane's size in device pixels; any thread.
    sdk::PictureBounds pictureBounds() const override;

    // The picture the last paint showed (tests).
    std::shared_ptr<const sdk::RgbPicture> shownPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void repaintIfNew();

    const CStaWnd* const m_pane;
    QTimer* m_timer = nullptr;
    mutable std::mutex m_mutex; // the two below
    std::shared_ptr<const sdk::RgbPicture> m_newest;
    bool m_newPicture = false;
    std::shared_ptr<const sdk::RgbPicture> m_shown; // user-interface thread only
    std::atomic<int> m_width{0};                    // the size, for the decode threads
    std::atomic<int> m_height{0};
};

} // namespace vexlo
