#pragma once

#include <QTableView>

#include <functional>

// The view of the device list: draws DeviceListModel and turns the user's
// mouse and keys into the list's and the main window's handler calls. It keeps
// no state of its own; after every action it draws the list again.
namespace vexlo {

class CReportCtrl;
class DeviceListModel;

class DeviceListView : public QTableView
{
public:
    explicit DeviceListView(DeviceListModel& model, QWidget* parent = nullptr);

    // A mouse press on a row's check box (left, right or middle button, or a
    // double click); the handler refuses it while a sequence runs. Without a
    // handler the list's own clickCheckBox takes it.
    void setCheckBoxClickHandler(std::function<bool(int row)> handler)
    {
        m_checkBoxClick = std::move(handler);
    }
    void setHeaderClickHandler(std::function<void(int column)> handler)
    {
        m_headerClick = std::move(handler);
    }
    void setDoubleClickHandler(std::function<void(int row)> handler)
    {
        m_doubleClick = std::move(handler);
    }
    // Runs after each user action, so other views can draw what it changed.
    void setAfterUserAction(std::function<void()> callback)
    {
        m_afterUserAction = std::move(callback);
    }

    // Draws the list as it is now: cells, ticks, headers, selection.
    void refresh();
    // Whether `position` (in the viewport) is on a row's check box.
    bool isOnCheckBox(const QPoint& position);

    // Where the check box of a row is drawn, in viewport coordinates.
    QRect checkBoxRect(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // True when the press hit a row's check box and was handled as a click on it.
    bool handleCheckBoxPress(QMouseEvent* event);
    void userActed();
    void applyColumnWidths();
    void showListSelection();

    DeviceListModel& m_model;
    CReportCtrl& m_list;
    std::function<bool(int)> m_checkBoxClick;
    std::function<void(int)> m_headerClick;
    std::function<void(int)> m_doubleClick;
    std::function<void()> m_afterUserAction;
    bool m_showingSelection = false;
};

} // namespace vexlo
