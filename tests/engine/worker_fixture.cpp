#include "worker_fixture.h"

#include "engine/messages.h"
#include "engine/restore_verification.h"
#include "engine/sdk_callbacks.h"
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

WorkerTest::WorkerTest()
    : workers(state, [this] {
          std::lock_guard lock(pathMutex);
          return firmwarePath;
      })
{
    vexlo::setTimeScaleForTesting(kTimeScale);
    registerSdkCallbacks(state);
    port.setHandler(&window);
    state.ui = &port;
    window.restoreTimer = [this] { workers.onRestoreTimer(); };
    window.formatDevices = &state.maintList.items;
    window.upgradeState = &state;
    workers.start();
}

void WorkerTest::TearDown()
{
    EXPECT_TRUE(workers.stop());
    fake.dropPending();
    state.ui = nullptr;
    port.shutdown();
}

_DEVICERECORD* WorkerTest::addDevice(const std::string& ip, FakeDeviceScript script)
{
    if (script.serial.empty())
        script.serial = "SN-" + ip;
    auto record = std::make_unique<_DEVICERECORD>();
    vexlo::copyToField(record->serialNo, script.serial);
    vexlo::copyToField(record->ipAddress, ip);
    vexlo::copyToField(record->userName, "admin");
    record->port = 8000;
    record->listRow = static_cast<int>(records.size());
    fake.addDevice(ip, std::move(script));
    records.push_back(std::move(record));
    return records.back().get();
}

void WorkerTest::logInAlready(_DEVICERECORD& record)
{
    record.loginHandle = fake.loginNow(std::string(vexlo::fieldText(record.ipAddress)));
    record.loginState = 1;
}

void WorkerTest::startUpgrade(const std::vector<_DEVICERECORD*>& devices)
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

void WorkerTest::fillMaintList(const std::vector<_DEVICERECORD*>& devices, int diskIndex)
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

bool WorkerTest::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    return port.runUntil(done, limit);
}

bool WorkerTest::waitForDone(std::uint32_t message, std::size_t count)
{
    return waitFor([&] { return static_cast<std::size_t>(doneCount(message)) >= count; });
}

int WorkerTest::doneCount(std::uint32_t message) const
{
    int count = 0;
    for (const DoneMessage& done : window.dones)
        count += done.message == message;
    return count;
}

const DoneMessage* WorkerTest::firstDone(std::uint32_t message) const
{
    for (const DoneMessage& done : window.dones) {
        if (done.message == message)
            return &done;
    }
    return nullptr;
}

void WorkerTest::syncWithController()
{
    // A probe that is logged in with no version read: the controller's first
    // act for it is the "获取版本号" row update, which it can only show after
    // everything posted before. Its query never reaches a device, and the test
    // ends long before that query times out.
    _DEVICERECORD* probe = addDevice("127.0.99." + std::to_string(++probeCount));
    probe->loginHandle = 1000000 + probeCount;
    probe->loginState = 1;
    workers.postToUpgradeControl(TM_UPGRADE_START, reinterpret_cast<WPARAM>(probe));
    ASSERT_TRUE(waitFor([&] { return !columnTexts(*probe, COLUMN_STATUS).empty(); }));
}

std::vector<std::u16string> WorkerTest::columnTexts(const _DEVICERECORD& record, int column) const
{
    std::vector<std::u16string> texts;
    for (const RowUpdate& row : window.rows) {
        if (row.record == &record && row.column == column)
            texts.push_back(row.text);
    }
    return texts;
}

std::vector<std::u16string> WorkerTest::statusTexts(const _DEVICERECORD& record) const
{
    static const std::regex seconds(R"(\d+(\(s\)|s\))$)");
    std::vector<std::u16string> folded;
    for (const std::u16string& text : columnTexts(record, COLUMN_STATUS)) {
        const std::string utf8 = std::regex_replace(vexlo::utf16ToUtf8(text), seconds, "#$1");
        std::u16string normalised = vexlo::utf8ToUtf16(utf8);
        if (folded.empty() || folded.back() != normalised)
            folded.push_back(std::move(normalised));
    }
    return folded;
}

std::vector<FakeCall> WorkerTest::callsTo(const std::string& name, const std::string& ip) const
{
    std::vector<FakeCall> calls = fake.callsNamed(name);
    std::erase_if(calls, [&](const FakeCall& call) { return call.device != ip; });
    return calls;
}

std::u16string WorkerTest::lastStatus(const _DEVICERECORD& record) const
{
    const auto texts = columnTexts(record, COLUMN_STATUS);
    return texts.empty() ? std::u16string() : texts.back();
}

void WorkerTest::setFirmwarePath(std::u16string path)
{
    std::lock_guard lock(pathMutex);
    firmwarePath = std::move(path);
}

std::string describeTexts(const std::vector<std::u16string>& texts)
{
    std::string out;
    for (const std::u16string& text : texts)
        out += "\n  " + vexlo::utf16ToUtf8(text);
    return out;
}

} // namespace vexlo
