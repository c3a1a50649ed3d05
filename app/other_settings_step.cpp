// The configuration push step: the start hands the ticked devices to the
// apply threads; the end, once every device is done, counts the devices that
// did not take every enabled section.
#include "app/execution_driver.h"
#include "app/main_controls.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "platform/dialog_model.h"
#include "profile/config_sections.h"

namespace vexlo {
namespace {

constexpr std::u16string_view kOtherSettingsAction = u"其它设置"; // no English text

// A device of the configuration push failed when it could not log in or a
// section it was to receive was not accepted.
bool applyFailed(const _DEVICERECORD& record, const ConfigProfile& profile)
{
    if (record.loginState.load() != kLoginConfirmed)
        return true;
    for (const ConfigSection& section : configSections()) {
        const int flag = sectionIndexOfCode(section.replyCode);
        if (flag >= 0 && sectionEnabled(section, profile) &&
            !sectionTaken(record.sectionResult[flag].load()))
            return true;
    }
    return false;
}

} // namespace

void ExecutionDriver::startOtherSettings()
{
    m_model.setText(ctl::CurrentAction, std::u16string(kOtherSettingsAction));
    const std::size_t started = m_apply.startApplyConfig(tickedRecords(), m_services.profile, this);
    if (started == 0) {
        finishSequence();
        return;
    }
    m_applying = true;
}

void ExecutionDriver::onApplyDone()
{
    // Only while a configuration push is the running step: a late message of
    // an earlier run must not end another one.
    if (!m_applying || !applyStepFinished(m_state))
        return;
    {
        CriticalSectionLock lock(m_state.applyList.lock);
        for (const _DEVICERECORD* record : m_state.applyList.items) {
            if (record && applyFailed(*record, m_services.profile))
                ++m_failedSinceExecute;
        }
    }
    finishSequence();
}

} // namespace vexlo
