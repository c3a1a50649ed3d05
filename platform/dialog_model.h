#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// The state of a dialog's controls, addressed by numeric control id, without a
// toolkit. A window's logic owns one and changes it; a front end draws it and
// turns the user's clicks and keystrokes into the `user...` calls below, which
// update the state and call the logic's handler. One generic binder per front
// end serves every window.
namespace vexlo {

enum class ControlKind
{
    Label,
    GroupBox,
    PushButton,
    CheckBox,
    RadioButton,
    Edit,
    PasswordEdit,
    ComboBox,    // drop-down list
    AddressEdit, // four-field IPv4 address; text is the dotted form
    TimePicker,  // hours, minutes, seconds
    DateTimePicker,
    List, // drawn by a dedicated view (the device list, the tree)
};

// What the user did to a control; the logic's handler receives it.
enum class ControlEvent
{
    Clicked,
    SelectionChanged,
    TextChanged,
    DateTimeChanged,
};

struct DateTimeValue
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const DateTimeValue&) const = default;
};

struct ControlState
{
    int id = 0;
    ControlKind kind = ControlKind::Label;
    std::u16string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    std::vector<std::u16string> items; // combo box entries
    int selection = -1;                // -1: nothing selected
    DateTimeValue dateTime;
};

class DialogModel
{
public:
    using Handler = std::function<void(int id, ControlEvent event)>;
    using Observer = std::function<void(int id)>;

    // Adds a control (its id must be new) in layout order.
    ControlState& add(int id, ControlKind kind, std::u16string text = {});
    bool has(int id) const;
    const ControlState& control(int id) const; // throws std::out_of_range for an unknown id
    std::vector<int> ids() const;              // in the order they were added

    // Changes made by the window's logic. Each notifies the observer when the
    // state actually changed.
    void setText(int id, std::u16string text);
    void setChecked(int id, bool checked);
    void setEnabled(int id, bool enabled);
    void setVisible(int id, bool visible);
    void setItems(int id, std::vector<std::u16string> items);
    void setSelection(int id, int selection); // out of range: nothing selected
    void setDateTime(int id, const DateTimeValue& value);

    const std::u16string& text(int id) const { return control(id).text; }
    bool checked(int id) const { return control(id).checked; }
    bool enabled(int id) const { return control(id).enabled; }
    int selection(int id) const { return control(id).selection; }
    std::u16string selectedText(int id) const; // empty when nothing is selected

    // What the user did, as a front end reports it. Disabled or hidden controls
    // ignore the user. Each updates the state, then calls the handler.
    void userClick(int id); // toggles a check box, selects a radio button
    void userSelect(int id, int selection);
    void userEditText(int id, std::u16string text);
    void userSetDateTime(int id, const DateTimeValue& value);

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    void setObserver(Observer observer) { m_observer = std::move(observer); }

private:
    ControlState& mutableControl(int id);
    void changed(int id);
    void handle(int id, ControlEvent event);
    bool acceptsUser(int id) const;

    std::map<int, ControlState> m_controls;
    std::vector<int> m_order;
    Handler m_handler;
    Observer m_observer;
};

} // namespace vexlo
