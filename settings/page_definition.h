#pragma once

#include "platform/dialog_model.h"
#include "profile/profile_fields.h"
#include "settings/page_text.h"

#include <span>
#include <string_view>

// A settings page is a table of rows: each row is one control with its label,
// its items and initial selection, the profile field it edits and the rule by
// which a change is stored; every text stands in both languages (page_text.h).
// One generic page class (SettingsPage) builds its controls, stores changes
// and loads the profile back from such a table.
// Beside the rows, the page lists its blocks: how the rows stand on screen
// (page_layout.h turns the two into lines).
namespace vexlo {

enum class StoreRule
{
    None,     // a control that edits nothing
    Tick,     // check box: 1 ticked, 0 not
    Choice,   // combo: the selected index
    Text,     // edit: the text in GBK, cut to 255 bytes
    Number,   // edit: the text read as a decimal integer
    Address,  // address control: its dotted text
    Time,     // time picker: hour, minute, second
    DateTime, // date-time picker: year to second
    Save,     // the page's Save button
};

struct ControlRow
{
    int id = 0;
    ControlKind kind = ControlKind::Label;
    PageText label; // the control's caption, or the text in front of it
    StoreRule rule = StoreRule::None;
    const ProfileField* field = nullptr;
    std::span<const PageText> items = {}; // stored by index, in either language
    int initialSelection = -1;            // shown at creation, never stored
    bool visible = true;
    PageText unit = {}; // shown right of the control
};

enum class PageBlockKind
{
    Enable,   // the section's check box at the top
    Form,     // one line per caption: the caption, then its controls side by side
    Grid,     // column heads over one line per repetition (the FTP servers)
    Schedule, // per line: check box, start picker, "---", end picker
    Save,     // the page's Save button
};

// One block of a page, top to bottom. The blocks take the page's visible rows
// in table order, each as many as its lines hold; hidden rows take no place.
// A form line is captioned by the label of its first row; a grid's column
// heads are the labels of its first line.
struct PageBlockLayout
{
    PageBlockKind kind = PageBlockKind::Form;
    int lines = 1;
    int width = 1;                              // controls on each line
    std::span<const int> lineWidths = {};       // instead of lines and width, where lines differ
    std::span<const PageText> columnHeads = {}; // a form's, over its controls
    std::span<const PageText> rowHeads = {};    // a grid's, one per line
};

struct PageDefinition
{
    std::span<const ControlRow> rows;
    std::span<const PageBlockLayout> blocks;
    // Pages whose Save refuses to write when the two texts differ.
    const ProfileField* password = nullptr;
    const ProfileField* passwordConfirm = nullptr;
    // The video page shows its check box from the profile already when created.
    bool tickFromProfileAtInit = false;
};

inline constexpr PageText kSaveButtonText{u"保存", u"Save"};

// Row builders, so the page tables read as tables.
constexpr ControlRow tickRow(int id, PageText label, const ProfileField& field, bool visible = true)
{
    return {id, ControlKind::CheckBox, label, StoreRule::Tick, &field, {}, -1, visible};
}

constexpr ControlRow choiceRow(int id, PageText label, const ProfileField& field,
                               std::span<const PageText> items, int initial = 0)
{
    return {id, ControlKind::ComboBox, label, StoreRule::Choice, &field, items, initial, true};
}

constexpr ControlRow textRow(int id, PageText label, const ProfileField& field,
                             ControlKind kind = ControlKind::Edit)
{
    return {id, kind, label, StoreRule::Text, &field, {}, -1, true};
}

constexpr ControlRow passwordRow(int id, PageText label, const ProfileField& field)
{
    return textRow(id, label, field, ControlKind::PasswordEdit);
}

constexpr ControlRow numberRow(int id, PageText label, const ProfileField& field,
                               bool visible = true)
{
    return {id, ControlKind::Edit, label, StoreRule::Number, &field, {}, -1, visible};
}

constexpr ControlRow addressRow(int id, PageText label, const ProfileField& field)
{
    return {id, ControlKind::AddressEdit, label, StoreRule::Address, &field, {}, -1, true};
}

constexpr ControlRow timeRow(int id, PageText label, const ProfileField& field)
{
    return {id, ControlKind::TimePicker, label, StoreRule::Time, &field, {}, -1, true};
}

constexpr ControlRow dateTimeRow(int id, PageText label, const ProfileField& field)
{
    return {id, ControlKind::DateTimePicker, label, StoreRule::DateTime, &field, {}, -1, true};
}

constexpr ControlRow saveRow(int id)
{
    return {id, ControlKind::PushButton, kSaveButtonText, StoreRule::Save, nullptr, {}, -1, true};
}

constexpr ControlRow withUnit(ControlRow row, PageText unit)
{
    row.unit = unit;
    return row;
}

// Block builders, so the block lists read as a page from top to bottom.
constexpr PageBlockLayout enableBlock()
{
    return {PageBlockKind::Enable};
}

// `lines` lines of one control each.
constexpr PageBlockLayout formBlock(int lines)
{
    return {PageBlockKind::Form, lines};
}

// Lines of the given widths; a line of several controls puts one under each
// column head.
constexpr PageBlockLayout formBlock(std::span<const int> lineWidths,
                                    std::span<const PageText> columnHeads)
{
    return {PageBlockKind::Form, 0, 1, lineWidths, columnHeads};
}

// One line of `columns` controls per row head.
constexpr PageBlockLayout gridBlock(std::span<const PageText> rowHeads, int columns)
{
    return {PageBlockKind::Grid, static_cast<int>(rowHeads.size()), columns, {}, {}, rowHeads};
}

// `lines` lines of a check box, a start picker and an end picker.
constexpr PageBlockLayout scheduleBlock(int lines)
{
    return {PageBlockKind::Schedule, lines, 3};
}

constexpr PageBlockLayout saveBlock()
{
    return {PageBlockKind::Save};
}

} // namespace vexlo
