#pragma once

#include "platform/dialog_model.h"
#include "settings/page_definition.h"
#include "settings/settings_context.h"

#include <optional>

// One settings page, built from its row table: creating it adds the controls
// with their items and initial selections (shown, never stored) in the
// context's language; every change the user makes is written into the profile
// at once by the row's rule; LoadFromProfile sets the controls back from the
// profile; Save writes the whole profile. Pages with a special control (the motion page's grid)
// derive from it and add to the two hooks.
namespace vexlo {

inline constexpr int kEscapeKey = 0x1B;

class SettingsPage
{
public:
    SettingsPage(SettingsContext& context, const PageDefinition& definition);
    virtual ~SettingsPage();
    SettingsPage(const SettingsPage&) = delete;
    SettingsPage& operator=(const SettingsPage&) = delete;

    DialogModel& model() { return m_model; }
    const DialogModel& model() const { return m_model; }
    const PageDefinition& definition() const { return m_definition; }
    const ControlRow* row(int id) const; // nullptr for an id the page does not have
    int language() const { return m_context.language; }

    // Writes the captions and list items again in the context's language. A
    // list keeps its selection: items are stored by index, never by text.
    void applyLanguage();

    // Sets every control from the profile; the main window calls it once after
    // a successful start-up load.
    void LoadFromProfile();

    // Escape would close a dialog; the pages swallow it, key down and key up.
    bool swallowsKey(int key) const { return key == kEscapeKey; }

    bool visible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }

    // What the last Save wrote (saveProfile's result), or nothing when the last
    // Save was refused or there was none.
    std::optional<int> lastSaveResult() const { return m_lastSaveResult; }

protected:
    // Called after a row's value was stored, and after all rows were loaded.
    virtual void afterStore(const ControlRow& row);
    virtual void afterLoad();

    SettingsContext& context() { return m_context; }
    ConfigProfile& profile() { return m_context.profile; }

private:
    void addControls();
    void onControl(int id, ControlEvent event);
    void store(const ControlRow& row);
    void load(const ControlRow& row);
    void save();

    SettingsContext& m_context;
    const PageDefinition& m_definition;
    DialogModel m_model;
    bool m_visible = false;
    std::optional<int> m_lastSaveResult;
};

// Whether a stored time or date-time is one a picker can show.
bool isValidTimeOfDay(int hour, int minute, int second);
bool isValidDateTime(const DateTimeValue& value);

} // namespace vexlo
