#include "settings/settings_page.h"

#include "platform/codepage.h"
#include "platform/ui_port.h"
#include "profile/config_profile.h"
#include "profile/profile_fields.h"
#include "settings/decimal_text.h"
#include "settings/settings_save.h"

#include <span>
#include <string>
#include <vector>

namespace vexlo {

namespace {

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isCaptioned(const ControlRow& row)
{
    return row.kind == ControlKind::CheckBox || row.kind == ControlKind::PushButton ||
           row.kind == ControlKind::Label;
}

std::vector<std::u16string> itemTexts(std::span<const PageText> items, int language)
{
    std::vector<std::u16string> texts;
    texts.reserve(items.size());
    for (const PageText& item : items)
        texts.emplace_back(textOf(item, language));
    return texts;
}

} // namespace

bool isValidTimeOfDay(int hour, int minute, int second)
{
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

bool isValidDateTime(const DateTimeValue& value)
{
    return value.year >= 1 && value.month >= 1 && value.month <= 12 && value.day >= 1 &&
           value.day <= daysInMonth(value.year, value.month) &&
           isValidTimeOfDay(value.hour, value.minute, value.second);
}

SettingsPage::SettingsPage(SettingsContext& context, const PageDefinition& definition)
    : m_context(context), m_definition(definition)
{
    addControls();
    m_model.setHandler([this](int id, ControlEvent event) { onControl(id, event); });
}

SettingsPage::~SettingsPage() = default;

const ControlRow* SettingsPage::row(int id) const
{
    for (const ControlRow& candidate : m_definition.rows)
        if (candidate.id == id)
            return &candidate;
    return nullptr;
}

void SettingsPage::addControls()
{
    const DateTimeValue now = contextNow(m_context);
    const int language = m_context.language;
    for (const ControlRow& row : m_definition.rows) {
        m_model.add(row.id, row.kind,
                    isCaptioned(row) ? std::u16string(textOf(row.label, language))
                                     : std::u16string());
        if (!row.items.empty()) {
            m_model.setItems(row.id, itemTexts(row.items, language));
            m_model.setSelection(row.id, row.initialSelection);
        }
        if (row.kind == ControlKind::TimePicker || row.kind == ControlKind::DateTimePicker)
            m_model.setDateTime(row.id, now);
        if (!row.visible)
            m_model.setVisible(row.id, false);
        if (m_definition.tickFromProfileAtInit && row.rule == StoreRule::Tick)
            m_model.setChecked(row.id, readInt32(profile(), *row.field) != 0);
    }
}

void SettingsPage::applyLanguage()
{
    const int language = m_context.language;
    for (const ControlRow& row : m_definition.rows) {
        if (isCaptioned(row))
            m_model.setText(row.id, std::u16string(textOf(row.label, language)));
        // As many items as before, so setItems keeps the selection.
        if (!row.items.empty())
            m_model.setItems(row.id, itemTexts(row.items, language));
    }
}

void SettingsPage::onControl(int id, ControlEvent)
{
    const ControlRow* changed = row(id);
    if (!changed)
        return;
    if (changed->rule == StoreRule::Save) {
        save();
        return;
    }
    store(*changed);
    afterStore(*changed);
}

void SettingsPage::store(const ControlRow& row)
{
    if (!row.field)
        return;
    ConfigProfile& target = profile();
    const ControlState& state = m_model.control(row.id);
    switch (row.rule) {
    case StoreRule::Tick:
        writeInt32(target, *row.field, state.checked ? 1 : 0);
        break;
    case StoreRule::Choice:
        writeInt32(target, *row.field, state.selection);
        break;
    case StoreRule::Text:
    case StoreRule::Address:
        writeTextUtf16(target, *row.field, state.text);
        break;
    case StoreRule::Number:
        writeInt32(target, *row.field, parseDecimal(state.text));
        break;
    case StoreRule::Time:
        writeTimeOfDay(
            target, *row.field,
            TimeOfDay{state.dateTime.hour, state.dateTime.minute, state.dateTime.second});
        break;
    case StoreRule::DateTime: {
        const DateTimeValue& value = state.dateTime;
        writeDateTime(target, *row.field,
                      ProfileDateTime{static_cast<std::uint16_t>(value.year),
                                      static_cast<std::uint16_t>(value.month),
                                      static_cast<std::uint16_t>(value.day),
                                      static_cast<std::uint16_t>(value.hour),
                                      static_cast<std::uint16_t>(value.minute),
                                      static_cast<std::uint16_t>(value.second)});
        break;
    }
    case StoreRule::None:
    case StoreRule::Save:
        break;
    }
}

void SettingsPage::LoadFromProfile()
{
    for (const ControlRow& row : m_definition.rows)
        load(row);
    afterLoad();
}

void SettingsPage::load(const ControlRow& row)
{
    if (!row.field)
        return;
    const ConfigProfile& source = profile();
    switch (row.rule) {
    case StoreRule::Tick:
        m_model.setChecked(row.id, readInt32(source, *row.field) != 0);
        break;
    case StoreRule::Choice:
        m_model.setSelection(row.id, readInt32(source, *row.field));
        break;
    case StoreRule::Text:
    case StoreRule::Address:
        m_model.setText(row.id, readTextUtf16(source, *row.field));
        break;
    case StoreRule::Number:
        m_model.setText(row.id, vexlo::decimalUtf16(readInt32(source, *row.field)));
        break;
    case StoreRule::Time: {
        // Today's date with the stored time; a time no picker can show (only
        // an edited file holds one) leaves the picker as it is.
        const TimeOfDay stored = readTimeOfDay(source, *row.field);
        if (!isValidTimeOfDay(stored.hour, stored.minute, stored.second))
            break;
        DateTimeValue value = contextNow(m_context);
        value.hour = stored.hour;
        value.minute = stored.minute;
        value.second = stored.second;
        m_model.setDateTime(row.id, value);
        break;
    }
    case StoreRule::DateTime: {
        // A section never edited holds an all-zero date, which is no date: the
        // picker keeps the current date and time.
        const ProfileDateTime stored = readDateTime(source, *row.field);
        const DateTimeValue value{stored.year, stored.month,  stored.day,
                                  stored.hour, stored.minute, stored.second};
        if (isValidDateTime(value))
            m_model.setDateTime(row.id, value);
        break;
    }
    case StoreRule::None:
    case StoreRule::Save:
        break;
    }
}

void SettingsPage::save()
{
    // The SMTP and account pages refuse to save a password whose confirmation
    // differs; what was typed stays in the profile all the same.
    if (m_definition.password && m_definition.passwordConfirm &&
        !storedTextsMatch(profile(), *m_definition.password, *m_definition.passwordConfirm)) {
        m_lastSaveResult.reset();
        m_context.ui.showMessage(std::u16string(textOf(kPasswordMismatchText, m_context.language)));
        return;
    }
    m_lastSaveResult =
        saveSettings(profile(), m_context.configDirectory, m_context.ui, m_context.language);
}

void SettingsPage::afterStore(const ControlRow&)
{
}

void SettingsPage::afterLoad()
{
}

} // namespace vexlo
