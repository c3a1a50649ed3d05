#include "platform/dialog_model.h"

#include <stdexcept>

namespace vexlo {

ControlState& DialogModel::add(int id, ControlKind kind, std::u16string text)
{
    if (m_controls.count(id))
        throw std::logic_error("control " + std::to_string(id) + " added twice");
    ControlState& state = m_controls[id];
    state.id = id;
    state.kind = kind;
    state.text = std::move(text);
    m_order.push_back(id);
    return state;
}

bool DialogModel::has(int id) const
{
    return m_controls.count(id) != 0;
}

const ControlState& DialogModel::control(int id) const
{
    return m_controls.at(id);
}

ControlState& DialogModel::mutableControl(int id)
{
    return m_controls.at(id);
}

std::vector<int> DialogModel::ids() const
{
    return m_order;
}

void DialogModel::changed(int id)
{
    if (m_observer)
        m_observer(id);
}

void DialogModel::setText(int id, std::u16string text)
{
    ControlState& state = mutableControl(id);
    if (state.text == text)
        return;
    state.text = std::move(text);
    changed(id);
}

void DialogModel::setChecked(int id, bool checked)
{
    ControlState& state = mutableControl(id);
    if (state.checked == checked)
        return;
    state.checked = checked;
    changed(id);
}

void DialogModel::setEnabled(int id, bool enabled)
{
    ControlState& state = mutableControl(id);
    if (state.enabled == enabled)
        return;
    state.enabled = enabled;
    changed(id);
}

void DialogModel::setVisible(int id, bool visible)
{
    ControlState& state = mutableControl(id);
    if (state.visible == visible)
        return;
    state.visible = visible;
    changed(id);
}

void DialogModel::setItems(int id, std::vector<std::u16string> items)
{
    ControlState& state = mutableControl(id);
    state.items = std::move(items);
    if (state.selection >= static_cast<int>(state.items.size()))
        state.selection = -1;
    changed(id);
}

void DialogModel::setSelection(int id, int selection)
{
    ControlState& state = mutableControl(id);
    if (selection < 0 || selection >= static_cast<int>(state.items.size()))
        selection = -1;
    if (state.selection == selection)
        return;
    state.selection = selection;
    changed(id);
}

void DialogModel::setDateTime(int id, const DateTimeValue& value)
{
    ControlState& state = mutableControl(id);
    if (state.dateTime == value)
        return;
    state.dateTime = value;
    changed(id);
}

std::u16string DialogModel::selectedText(int id) const
{
    const ControlState& state = control(id);
    if (state.selection < 0 || state.selection >= static_cast<int>(state.items.size()))
        return {};
    return state.items[static_cast<std::size_t>(state.selection)];
}

bool DialogModel::acceptsUser(int id) const
{
    auto it = m_controls.find(id);
    return it != m_controls.end() && it->second.enabled && it->second.visible;
}

void DialogModel::handle(int id, ControlEvent event)
{
    if (m_handler)
        m_handler(id, event);
}

void DialogModel::userClick(int id)
{
    if (!acceptsUser(id))
        return;
    ControlState& state = mutableControl(id);
    if (state.kind == ControlKind::CheckBox) {
        setChecked(id, !state.checked);
    } else if (state.kind == ControlKind::RadioButton) {
        setChecked(id, true);
    }
    handle(id, ControlEvent::Clicked);
}

void DialogModel::userSelect(int id, int selection)
{
    if (!acceptsUser(id))
        return;
    setSelection(id, selection);
    handle(id, ControlEvent::SelectionChanged);
}

void DialogModel::userEditText(int id, std::u16string text)
{
    if (!acceptsUser(id))
        return;
    setText(id, std::move(text));
    handle(id, ControlEvent::TextChanged);
}

void DialogModel::userSetDateTime(int id, const DateTimeValue& value)
{
    if (!acceptsUser(id))
        return;
    setDateTime(id, value);
    handle(id, ControlEvent::DateTimeChanged);
}

} // namespace vexlo
