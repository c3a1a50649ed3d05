#include "workers_fixture.h"

#include "engine/messages.h"
#include "engine/restore_verification.h"
#include "platform/codepage.h"
#include "platform/tick.h"

#include <regex>

namespace vexlo {

LPARAM RecordingWindow::onMessage(const vexlo::UiMessage& message)
{
    if (message.message == WM_ROW_UPDATE) {
        rows.push_back({reinterpret_cast<const _DEVICERECORD*>(message.wParam),
                        static_cast<int>(message.lParam), message.text});
        return 0;
    }
    if (message.message == WM_UPGRADE_DONE && upgradeState) {
        vexlo::CriticalSectionLock lock(upgradeState->upgradeList.lock);
        for (const _DEVICERECORD* record : upgradeState->upgradeList.items) {
            ++upgradeTotal;
            upgradeSucceeded += record->upgradeResult.load() == 1;
            upgradeFailed += record->upgradeResult.load() == 2;
        }
    }
    if (message.message == WM_FORMAT_DONE && formatDevices) {
        for (const _DEVICERECORD* record : *formatDevices) {
            formatSucceeded += record->formatState.load() == 1;
            formatFailed += record->formatState.load() == 2;
        }
    }
    dones.push_back({message.message, message.wParam, message.lParam, vexlo::GetTickCount()});
    return 0;
}

void RecordingWindow::onTimer(std::uint32_t timerId)
{
    if (timerId == kRestoreTimerId && restoreTimer)
        restoreTimer();
}

WorkersFixture::WorkersFixture(double timeScale)
    : workers(state, [this] {
          std::lock_guard lock(m_pathMutex);
          return m_firmwarePath;
      })
{
    vexlo::setTimeScaleForTesting(timeScale);
    port.setHandler(&window);
    state.ui = &port;
    window.restoreTimer = [this] { workers.onRestoreTimer(); };
    window.formatDevices = &state.maintList.items;
    window.upgradeState = &state;
}

void WorkersFixture::TearDown()
{
    if (m_workersStarted) {
        EXPECT_TRUE(workers.stop());
    }
    releaseLibrary();
    state.ui = nullptr;
    port.shutdown();
    vexlo::setTimeScaleForTesting(1);
}

void WorkersFixture::startWorkers()
{
    workers.start();
    m_workersStarted = true;
}

void WorkersFixture::startUpgrade(const std::vector<_DEVICERECORD*>& devices)
{
    state.upgradeList.clear();
    state.rebootWaitList.clear();
    for (_DEVICERECORD* record : devices) {
        record->loginPurpose = 2;
        record->rebootState = 0;
        record->rebootStartTick = 0;
        vexlo::CriticalSectionLock lock(state.upgradeList.lock);
        state.upgradeList.items.push_back(record);
        workers.postToUpgradeControl(TM_UPGRADE_START, reinterpret_cast<WPARAM>(record));
    }
}

void WorkersFixture::fillMaintList(const std::vector<_DEVICERECORD*>& devices, int diskIndex)
{
    vexlo::CriticalSectionLock lock(state.maintList.lock);
    state.maintList.items.clear();
    for (_DEVICERECORD* record : devices) {
        if (diskIndex != 0) {
            record->diskIndex = diskIndex;
            record->formatState = 0;
            record->storageInfoReceived = 0;
            record->totalSd1 = record->totalSd2 = record->totalUsb = 0;
        } else {
            record->timeSyncState = 0;
            record->restoreState = 0;
        }
        state.maintList.items.push_back(record);
    }
}

void WorkersFixture::setFirmwarePath(std::u16string path)
{
    std::lock_guard lock(m_pathMutex);
    m_firmwarePath = std::move(path);
}

void WorkersFixture::syncWithController()
{
    // A probe that is logged in with no version read: the controller's first
    // act for it is the "获取版本号" row update, which it can only show after
    // everything posted before. Its handle is known to no library, so its
    // query fails without reaching a device.
    auto probe = std::make_unique<_DEVICERECORD>();
    probe->loginHandle = 1000000 + static_cast<int>(records.size());
    probe->loginState = 1;
    const _DEVICERECORD* shown = probe.get();
    records.push_back(std::move(probe));
    workers.postToUpgradeControl(TM_UPGRADE_START, reinterpret_cast<WPARAM>(shown));
    ASSERT_TRUE(waitFor([&] { return !columnTexts(*shown, COLUMN_STATUS).empty(); }));
}

bool WorkersFixture::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    // The port's own loop: it handles the workers' messages while it checks.
    return port.runUntil(done, limit);
}

bool WorkersFixture::waitForDone(std::uint32_t message, std::size_t count)
{
    return waitFor([&] { return static_cast<std::size_t>(doneCount(message)) >= count; });
}

int WorkersFixture::doneCount(std::uint32_t message) const
{
    int count = 0;
    for (const DoneMessage& done : window.dones)
        count += done.message == message;
    return count;
}

const DoneMessage* WorkersFixture::firstDone(std::uint32_t message) const
{
    for (const DoneMessage& done : window.dones) {
        if (done.message == message)
            return &done;
    }
    return nullptr;
}

std::vector<std::u16string> WorkersFixture::columnTexts(const _DEVICERECORD& record,
                                                        int column) const
{
    std::vector<std::u16string> texts;
    for (const RowUpdate& row : window.rows) {
        if (row.record == &record && row.column == column)
            texts.push_back(row.text);
    }
    return texts;
}

std::u16string WorkersFixture::lastStatus(const _DEVICERECORD& record) const
{
    const auto texts = columnTexts(record, COLUMN_STATUS);
    return texts.empty() ? std::u16string() : texts.back();
}

Texts WorkersFixture::foldedStatus(
    const _DEVICERECORD& record,
    const std::function<std::u16string(const std::u16string&)>& normalise) const
{
    Texts folded;
    for (const std::u16string& text : columnTexts(record, COLUMN_STATUS)) {
        std::u16string normalised = normalise(text);
        if (!normalised.empty() && (folded.empty() || folded.back() != normalised))
            folded.push_back(std::move(normalised));
    }
    return folded;
}

Texts concat(Texts head, const Texts& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::u16string foldSeconds(const std::u16string& text)
{
    static const std::regex seconds(R"(\d+(\(s\)|s\))$)");
    return vexlo::utf8ToUtf16(std::regex_replace(vexlo::utf16ToUtf8(text), seconds, "#$1"));
}

std::string describeTexts(const Texts& texts)
{
    std::string out;
    for (const std::u16string& text : texts)
        out += "\n  " + vexlo::utf16ToUtf8(text);
    return out;
}

} // namespace vexlo
