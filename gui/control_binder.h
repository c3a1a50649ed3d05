#pragma once

#include "platform/dialog_model.h"

#include <QObject>
#include <QWidget>

#include <functional>
#include <map>

// The one generic binder between a window's toolkit-free control state and Qt
// widgets. It creates one widget per control (except lists, which have their
// own views), draws the model's state into it whenever the model changes, and
// turns the user's actions into DialogModel::user... calls. Every window of the
// GUI uses it; a window only places the widgets.
namespace vexlo {

// The widget that stands for a control kind: Label QLabel, GroupBox QGroupBox,
// PushButton QPushButton, CheckBox QCheckBox, RadioButton QRadioButton, Edit
// QLineEdit, PasswordEdit QLineEdit in password mode, ComboBox QComboBox,
// AddressEdit Ipv4AddressEdit, TimePicker QTimeEdit, DateTimePicker
// QDateTimeEdit. List: none.
QWidget* createControlWidget(ControlKind kind, QWidget* parent);

class ControlBinder : public QObject
{
public:
    // Creates the widgets of every control of `model` as children of `parent`
    // and draws them. The binder becomes the model's observer.
    ControlBinder(DialogModel& model, QWidget* parent);
    ~ControlBinder() override;

    // The widget of a control; nullptr for lists and unknown ids.
    QWidget* widget(int id) const;
    template <class Widget> Widget* widgetAs(int id) const
    {
        return qobject_cast<Widget*>(widget(id));
    }

    // Runs after each user action has reached the model and its handler, so
    // other views (the device list) can draw what the handler changed.
    void setAfterUserAction(std::function<void()> callback)
    {
        m_afterUserAction = std::move(callback);
    }

    void drawAll();
    void draw(int id);

private:
    void connectUserActions(const ControlState& state, QWidget* widget);
    // Reports a user action, then draws the control again: the model may have
    // refused the change or the handler may have changed it back.
    void reportUser(int id, const std::function<void()>& report);

    DialogModel& m_model;
    std::map<int, QWidget*> m_widgets;
    std::function<void()> m_afterUserAction;
};

} // namespace vexlo
