// The completion messages of the instructions: the summary boxes, the
// questions whether to go on, and the next ticked instruction.
#include "app/execution_driver.h"
#include "app/front_end.h"
#include "app/instruction_table.h"
#include "app/main_controls.h"
#include "app/summary_texts.h"
#include "devices/report_ctrl.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/codepage.h"
#include "platform/dialog_model.h"
#include "profile/config_sections.h"

namespace vexlo {
namespace {

// Beyond this many devices the video wall is not offered.
constexpr int kMaxVideoOfferDevices = 49;
// The video wall shows at most this many devices.
constexpr std::size_t kMaxVideoWallDevices = 250;

int nonNegative(std::intptr_t value)
{
    return value < 0 ? 0 : static_cast<int>(value);
}

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

LPARAM ExecutionDriver::onCompletion(std::uint32_t message, WPARAM wParam, LPARAM lParam)
{
    const int succeeded = nonNegative(static_cast<std::intptr_t>(wParam));
    const int failed = nonNegative(static_cast<std::intptr_t>(lParam));
    switch (message) {
    case WM_UPGRADE_DONE:
        onUpgradeDone();
        break;
    case WM_REBOOT_DONE:
        onRebootDone(succeeded, failed);
        break;
    case WM_RESTORE_DONE:
        onRestoreDone(succeeded, failed);
        break;
    case WM_TIMESYNC_DONE:
        onTimeSyncDone(succeeded, failed);
        break;
    case WM_FORMAT_DONE:
        onFormatDone();
        break;
    case WM_APPLY_DONE:
        onApplyDone();
        break;
    default:
        break;
    }
    return 0;
}

void ExecutionDriver::onUpgradeDone()
{
    int total = 0;
    int succeeded = 0;
    int failed = 0;
    {
        CriticalSectionLock lock(m_state.upgradeList.lock);
        for (const _DEVICERECORD* record : m_state.upgradeList.items) {
            if (!record)
                continue;
            ++total;
            const int result = record->upgradeResult.load();
            succeeded += result == 1 ? 1 : 0;
            failed += result == 2 ? 1 : 0;
        }
    }
    m_model.setText(ctl::SuccessCount, vexlo::decimalUtf16(succeeded));
    m_model.setText(ctl::FailureCount, vexlo::decimalUtf16(failed));
    m_failedSinceExecute += failed;

    if (failed > 0 && total <= kMaxVideoOfferDevices) {
        if (ask(upgradeSummary(language(), total, succeeded, failed, true))) {
            std::vector<_DEVICERECORD*> devices = tickedRecords();
            if (devices.size() > kMaxVideoWallDevices)
                devices.resize(kMaxVideoWallDevices);
            m_services.frontEnd.runVideoWall(devices);
        }
        if (anyTickedFrom(SlotTimeSync) && !ask(text(TextId::AskContinueInstructions))) {
            finishSequence();
            return;
        }
    } else if (failed > 0 && anyTickedFrom(SlotTimeSync)) {
        if (!ask(upgradeSummary(language(), total, succeeded, failed, false))) {
            finishSequence();
            return;
        }
    }
    runNextFrom(SlotTimeSync);
}

void ExecutionDriver::onRebootDone(int rebooted, int failed)
{
    m_failedSinceExecute += failed;
    if (failed > 0)
        tell(rebootSummary(language(), rebooted, failed));
    finishSequence();
}

void ExecutionDriver::onRestoreDone(int restored, int failed)
{
    m_failedSinceExecute += failed;
    if (failed > 0) {
        if (!anyTickedFrom(SlotReboot)) {
            tell(restoreSummary(language(), restored, failed, false));
            finishSequence();
            return;
        }
        if (!ask(restoreSummary(language(), restored, failed, true))) {
            finishSequence();
            return;
        }
    }
    runNextFrom(SlotReboot);
}

void ExecutionDriver::onTimeSyncDone(int set, int failed)
{
    m_failedSinceExecute += failed;
    if (failed > 0) {
        if (!anyTickedFrom(SlotFormatSd1)) {
            tell(timeSyncSummary(language(), set, failed, false));
            finishSequence();
            return;
        }
        if (!ask(timeSyncSummary(language(), set, failed, true))) {
            finishSequence();
            return;
        }
    }
    runNextFrom(SlotFormatSd1);
}

void ExecutionDriver::onFormatDone()
{
    int succeeded = 0;
    int failed = 0;
    int diskIndex = 0;
    for (const _DEVICERECORD* record : tickedRecords()) {
        const int state = record->formatState.load();
        succeeded += state == 1 ? 1 : 0;
        failed += state == 2 ? 1 : 0;
        diskIndex = record->diskIndex.load();
    }
    m_failedSinceExecute += failed;
    const bool knownDisk = diskIndex >= 1 && diskIndex <= 3;
    // SD1 goes on from slot 5, SD2 from 6, USB from 7.
    const int nextSlot = SlotFormatSd1 + diskIndex;
    if (failed > 0) {
        if (knownDisk && anyTickedFrom(nextSlot)) {
            if (!ask(formatSummary(language(), diskIndex, succeeded, failed, true))) {
                finishSequence();
                return;
            }
        } else {
            tell(formatSummary(language(), diskIndex, succeeded, failed, false));
            finishSequence();
            return;
        }
    }
    if (!knownDisk) {
        finishSequence();
        return;
    }
    runNextFrom(nextSlot);
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
