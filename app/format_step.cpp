// The formatting steps (SD1, SD2, USB): the start names the storage in each
// record and posts the maintenance thread; the end counts the results and
// goes on from the next storage.
#include "app/execution_driver.h"
#include "app/instruction_table.h"
#include "app/summary_texts.h"
#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "engine/row_update.h"

namespace vexlo {
namespace {

TextId formatAction(int diskIndex)
{
    switch (diskIndex) {
    case 2:
        return TextId::ActionFormattingSd2;
    case 3:
        return TextId::ActionFormattingUsb;
    default:
        return TextId::ActionFormattingSd1;
    }
}

} // namespace

void ExecutionDriver::startFormat(int diskIndex)
{
    showAction(formatAction(diskIndex));
    {
        CriticalSectionLock lock(m_state.maintList.lock);
        m_state.maintList.items.clear();
        for (_DEVICERECORD* record : tickedRecords()) {
            record->diskIndex = diskIndex;
            record->formatState = kFormatPending;
            record->storageInfoReceived = 0;
            record->totalSd1 = 0;
            record->totalSd2 = 0;
            record->totalUsb = 0;
            m_state.maintList.items.push_back(record);
        }
    }
    if (!m_services.workers.postToMaintenance(TM_FORMAT, static_cast<WPARAM>(diskIndex)))
        finishSequence();
}

void ExecutionDriver::onFormatDone()
{
    int succeeded = 0;
    int failed = 0;
    int diskIndex = 0;
    for (const _DEVICERECORD* record : tickedRecords()) {
        const int state = record->formatState.load();
        succeeded += state == kFormatDone ? 1 : 0;
        failed += state == kFormatNotDone ? 1 : 0;
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

} // namespace vexlo
