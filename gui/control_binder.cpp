#include "gui/control_binder.h"

#include "gui/ipv4_address_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QTimeEdit>

namespace vexlo {
namespace {

QString toQString(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

QStringList toQStringList(const std::vector<std::u16string>& items)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const std::u16string& item : items)
        list << toQString(item);
    return list;
}

QDateTime toQDateTime(const DateTimeValue& value)
{
    return QDateTime(QDate(value.year, value.month, value.day),
                     QTime(value.hour, value.minute, value.second));
}

void drawButtonState(QAbstractButton* button, const ControlState& state)
{
    button->setText(toQString(state.text));
    if (button->isCheckable())
        button->setChecked(state.checked);
}

void drawLineEdit(QLineEdit* edit, const ControlState& state)
{
    // Only a real change is written, so the cursor stays where the user is typing.
    const QString text = toQString(state.text);
    if (edit->text() != text)
        edit->setText(text);
}

void drawComboBox(QComboBox* combo, const ControlState& state)
{
    const QStringList items = toQStringList(state.items);
    QStringList shown;
    for (int index = 0; index < combo->count(); ++index)
        shown << combo->itemText(index);
    if (shown != items) {
        combo->clear();
        combo->addItems(items);
    }
    combo->setCurrentIndex(state.selection);
}

} // namespace

QWidget* createControlWidget(ControlKind kind, QWidget* parent)
{
    switch (kind) {
    case ControlKind::Label:
        return new QLabel(parent);
    case ControlKind::GroupBox:
        return new QGroupBox(parent);
    case ControlKind::PushButton:
        return new QPushButton(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(parent);
    case ControlKind::RadioButton: {
        // The window's logic decides which radio buttons exclude each other.
        auto* radio = new QRadioButton(parent);
        radio->setAutoExclusive(false);
        return radio;
    }
    case ControlKind::Edit:
        return new QLineEdit(parent);
    case ControlKind::PasswordEdit: {
        auto* edit = new QLineEdit(parent);
        edit->setEchoMode(QLineEdit::Password);
        return edit;
    }
    case ControlKind::ComboBox:
        return new QComboBox(parent);
    case ControlKind::AddressEdit:
        return new Ipv4AddressEdit(parent);
    case ControlKind::TimePicker: {
        auto* edit = new QTimeEdit(parent);
        edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        edit->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        return edit;
    }
    case ControlKind::DateTimePicker: {
        auto* edit = new QDateTimeEdit(parent);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return edit;
    }
    case ControlKind::List:
        return nullptr;
    }
    return nullptr;
}

ControlBinder::ControlBinder(DialogModel& model, QWidget* parent) : QObject(parent), m_model(model)
{
    for (const int id : m_model.ids()) {
        const ControlState& state = m_model.control(id);
        QWidget* widget = createControlWidget(state.kind, parent);
        if (!widget)
            continue;
        widget->setObjectName(QStringLiteral("control%1").arg(id));
        m_widgets[id] = widget;
        connectUserActions(state, widget);
    }
    m_model.setObserver([this](int id) { draw(id); });
    drawAll();
}

ControlBinder::~ControlBinder()
{
    m_model.setObserver({});
}

QWidget* ControlBinder::widget(int id) const
{
    const auto found = m_widgets.find(id);
    return found == m_widgets.end() ? nullptr : found->second;
}

void ControlBinder::drawAll()
{
    for (const auto& [id, widget] : m_widgets)
        draw(id);
}

void ControlBinder::draw(int id)
{
    QWidget* widget = this->widget(id);
    if (!widget)
        return;
    const ControlState& state = m_model.control(id);
    // Drawing is not the user: no signal of a drawn widget may report back.
    const QSignalBlocker blocker(widget);
    switch (state.kind) {
    case ControlKind::Label:
        static_cast<QLabel*>(widget)->setText(toQString(state.text));
        break;
    case ControlKind::GroupBox:
        static_cast<QGroupBox*>(widget)->setTitle(toQString(state.text));
        break;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        drawButtonState(static_cast<QAbstractButton*>(widget), state);
        break;
    case ControlKind::Edit:
    case ControlKind::PasswordEdit:
        drawLineEdit(static_cast<QLineEdit*>(widget), state);
        break;
    case ControlKind::ComboBox:
        drawComboBox(static_cast<QComboBox*>(widget), state);
        break;
    case ControlKind::AddressEdit:
        static_cast<Ipv4AddressEdit*>(widget)->setAddress(toQString(state.text));
        break;
    case ControlKind::TimePicker:
        static_cast<QTimeEdit*>(widget)->setTime(
            QTime(state.dateTime.hour, state.dateTime.minute, state.dateTime.second));
        break;
    case ControlKind::DateTimePicker:
        static_cast<QDateTimeEdit*>(widget)->setDateTime(toQDateTime(state.dateTime));
        break;
    case ControlKind::List:
        break;
    }
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible);
}

void ControlBinder::reportUser(int id, const std::function<void()>& report)
{
    report();
    if (m_model.has(id))
        draw(id);
    if (m_afterUserAction)
        m_afterUserAction();
}

void ControlBinder::connectUserActions(const ControlState& state, QWidget* widget)
{
    const int id = state.id;
    switch (state.kind) {
    case ControlKind::Label:
    case ControlKind::GroupBox:
    case ControlKind::List:
        break;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        // clicked() comes from the user only, never from setChecked().
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, id] { reportUser(id, [this, id] { m_model.userClick(id); }); });
        break;
    case ControlKind::Edit:
    case ControlKind::PasswordEdit:
        connect(static_cast<QLineEdit*>(widget), &QLineEdit::textEdited, this,
                [this, id](const QString& text) {
                    reportUser(id, [&] { m_model.userEditText(id, text.toStdU16String()); });
                });
        break;
    case ControlKind::ComboBox:
        connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
                [this, id](int index) { reportUser(id, [&] { m_model.userSelect(id, index); }); });
        break;
    case ControlKind::AddressEdit:
        connect(static_cast<Ipv4AddressEdit*>(widget), &Ipv4AddressEdit::addressEdited, this,
                [this, id](const QString& address) {
                    reportUser(id, [&] { m_model.userEditText(id, address.toStdU16String()); });
                });
        break;
    case ControlKind::TimePicker:
        connect(static_cast<QTimeEdit*>(widget), &QTimeEdit::timeChanged, this,
                [this, id](QTime time) {
                    DateTimeValue value = m_model.control(id).dateTime;
                    value.hour = time.hour();
                    value.minute = time.minute();
                    value.second = time.second();
                    reportUser(id, [&] { m_model.userSetDateTime(id, value); });
                });
        break;
    case ControlKind::DateTimePicker:
        connect(static_cast<QDateTimeEdit*>(widget), &QDateTimeEdit::dateTimeChanged, this,
                [this, id](const QDateTime& dateTime) {
                    const QDate date = dateTime.date();
                    const QTime time = dateTime.time();
                    const DateTimeValue value{date.year(), date.month(),  date.day(),
                                              time.hour(), time.minute(), time.second()};
                    reportUser(id, [&] { m_model.userSetDateTime(id, value); });
                });
        break;
    }
}

} // namespace vexlo
