#include "engine/format_runner.h"

#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/row_update.h"
#include "platform/tick.h"
#include "sdk/netsdk.h"

namespace vexlo {

namespace {

constexpr std::uint32_t kStorageAnswerWaitMs = 8000;
constexpr std::uint32_t kCheckPeriodMs = 1000;
constexpr std::uint32_t kBetweenStepsMs = 1500;

std::u16string storageText(const BatchState& state, const _DEVICERECORD& record, TextId id)
{
    return storageName(record.diskIndex.load()) + std::u16string(currentText(state, id));
}

void postStorageStatus(BatchState& state, _DEVICERECORD& record, TextId id)
{
    postRowUpdate(state, record, storageText(state, record, id));
}

bool storageAnswersComplete(const std::vector<_DEVICERECORD*>& devices)
{
    for (_DEVICERECORD* record : devices) {
        if (record && record->formatState.load() != kFormatNotDone &&
            record->storageInfoReceived.load() == 0)
            return false;
    }
    return true;
}

} // namespace

std::u16string storageName(int diskIndex)
{
    switch (diskIndex) {
    case 1:
        return u"SD1";
    case 2:
        return u"SD2";
    case 3:
        return u"USB";
    default:
        return {};
    }
}

int selectedStorageTotal(const _DEVICERECORD& record)
{
    switch (record.diskIndex.load()) {
    case 1:
        return record.totalSd1.load();
    case 2:
        return record.totalSd2.load();
    case 3:
        return record.totalUsb.load();
    default:
        return 0;
    }
}

FormatRunner::FormatRunner(MaintenanceContext& context, const std::atomic<std::uint32_t>& timeoutMs)
    : m_context(context), m_state(context.state), m_timeoutMs(timeoutMs)
{
}

void FormatRunner::run()
{
    if (!m_context.login.logInDevices() || !checkStorage() || !sleep(kBetweenStepsMs) ||
        !formatDisks() || !sleep(kBetweenStepsMs))
        return;
    // Sent, not posted: the main window counts formatState while this waits.
    if (vexlo::UiPort* ui = m_state.ui.load())
        ui->send(vexlo::UiMessage{WM_FORMAT_DONE, 0, 0, {}});
}

bool FormatRunner::checkStorage()
{
    m_state.storagePendingList.clear();
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        if (record->loginState.load() <= 0) {
            record->formatState = kFormatNotDone;
            continue;
        }
        postStatus(m_state, *record, TextId::GettingStorageInfo);
        m_state.storagePendingList.addOnce(record);
        if (IP_NET_DVR_SystemControl(record->loginHandle.load(), CMD_STORAGE, 0, "") != 0) {
            record->formatState = kFormatNotDone;
            m_state.storagePendingList.remove(record);
        }
    }

    const bool waiting = !m_state.storagePendingList.empty();
    bool stopped = false;
    if (waiting) {
        const std::uint32_t start = vexlo::GetTickCount();
        while (!stopped && vexlo::ticksSince(start) < kStorageAnswerWaitMs &&
               !storageAnswersComplete(m_state.maintList.items))
            stopped = !sleep(kCheckPeriodMs);
    }
    // An answer after this point would change totals already judged.
    m_state.storagePendingList.clear();
    if (stopped)
        return false;

    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        if (record->storageInfoReceived.load() != 0) {
            if (selectedStorageTotal(*record) <= 0) {
                postRowUpdate(m_state, *record,
                              storageName(record->diskIndex.load()) + u" " +
                                  std::u16string(currentText(m_state, TextId::NotMounted)));
                record->formatState = kFormatNotDone;
            }
        } else if (isLoggedIn(*record)) {
            record->formatState = kFormatNotDone;
            postStatus(m_state, *record, TextId::StorageInfoFailed);
        }
    }
    return true;
}

bool FormatRunner::formatDisks()
{
    m_state.formatPendingList.clear();
    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record || record->formatState.load() == kFormatNotDone)
            continue;
        m_state.formatPendingList.add(record);
        if (IP_NET_DVR_FormatDisk(record->loginHandle.load(), record->diskIndex.load() - 1) != 0) {
            m_state.formatPendingList.remove(record);
            postStorageStatus(m_state, *record, TextId::FormatFailed);
            record->formatState = kFormatNotDone;
        }
    }

    const std::uint32_t timeoutMs = m_timeoutMs.load();
    const std::uint32_t start = vexlo::GetTickCount();
    std::uint32_t elapsed = 0;
    bool pending = true;
    while (elapsed <= timeoutMs) {
        pending = false;
        for (_DEVICERECORD* record : m_state.maintList.items) {
            if (!record)
                continue;
            switch (record->formatState.load()) {
            case 0: {
                pending = true;
                std::u16string text = storageText(m_state, *record, TextId::Formatting);
                const std::string seconds = std::to_string(elapsed / 1000);
                text += u'(';
                text += std::u16string(seconds.begin(), seconds.end());
                text += u"s)";
                postRowUpdate(m_state, *record, text);
                break;
            }
            case 1:
                postStorageStatus(m_state, *record, TextId::FormatOk);
                break;
            default:
                // Not mounted, no storage answer, not logged in: their texts stay.
                if (selectedStorageTotal(*record) > 0)
                    postStorageStatus(m_state, *record, TextId::FormatFailed);
                break;
            }
        }
        if (!pending)
            break;
        if (!sleep(kCheckPeriodMs)) {
            m_state.formatPendingList.clear();
            return false;
        }
        elapsed = vexlo::ticksSince(start);
    }

    for (_DEVICERECORD* record : m_state.maintList.items) {
        if (!record)
            continue;
        bool timedOut = false;
        {
            // Decided under the lock the answer takes: a late answer either came
            // first (formatted) or finds the device no longer pending.
            vexlo::CriticalSectionLock lock(m_state.formatPendingList.lock);
            if (record->formatState.load() == kFormatPending) {
                m_state.formatPendingList.remove(record);
                record->formatState = kFormatNotDone;
                timedOut = true;
            }
        }
        if (timedOut)
            postStorageStatus(m_state, *record, TextId::FormatTimeout);
    }
    m_state.formatPendingList.clear();
    return true;
}

} // namespace vexlo
