#pragma once

#include "../support/fake_device_library.h"

#include "engine/batch_state.h"
#include "engine/batch_workers.h"
#include "engine/device_record.h"
#include "platform/headless_ui_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vexlo {

// What the main window received: row updates with the texts they carried, and
// the done messages with the tick at which they arrived.
struct RowUpdate
{
    const _DEVICERECORD* record = nullptr;
    int column = 0;
    std::u16string text;
};

struct DoneMessage
{
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::uint32_t tick = 0;
};

class RecordingWindow : public vexlo::UiHandler
{
public:
    LPARAM onMessage(const vexlo::UiMessage& message) override;
    void onTimer(std::uint32_t timerId) override;

    std::vector<RowUpdate> rows;
    std::vector<DoneMessage> dones;
    std::function<void()> restoreTimer;
    // Counted like the main window does when WM_FORMAT_DONE arrives.
    const std::vector<_DEVICERECORD*>* formatDevices = nullptr;
    int formatSucceeded = 0;
    int formatFailed = 0;
    // Counted like the main window does when WM_UPGRADE_DONE arrives.
    BatchState* upgradeState = nullptr;
    int upgradeTotal = 0;
    int upgradeSucceeded = 0;
    int upgradeFailed = 0;
};

// The seven workers on a fake device library, with the test's thread as the
// user-interface thread, at a high time scale.
class WorkerTest : public ::testing::Test
{
protected:
    static constexpr double kTimeScale = 100.0;

    WorkerTest();
    void TearDown() override;

    // A listed camera at `ip` (also its serial number unless the script names one).
    _DEVICERECORD* addDevice(const std::string& ip, FakeDeviceScript script = {});
    // Marks the record as still logged in from an earlier instruction.
    void logInAlready(_DEVICERECORD& record);

    // What the upgrade instruction does for its ticked rows.
    void startUpgrade(const std::vector<_DEVICERECORD*>& devices);
    // What the maintenance instructions do before posting.
    void fillMaintList(const std::vector<_DEVICERECORD*>& devices, int diskIndex = 0);

    // Serves the user-interface thread until `done` or the real-time limit.
    bool waitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(60));
    bool waitForDone(std::uint32_t message, std::size_t count = 1);
    int doneCount(std::uint32_t message) const;
    const DoneMessage* firstDone(std::uint32_t message) const;
    // Returns once UpgradeControlThread has served everything posted to it so far.
    void syncWithController();

    // Status texts (column 6) of the record in the order they were shown, with a
    // number of seconds written as "#" and repeats of one text folded into one.
    std::vector<std::u16string> statusTexts(const _DEVICERECORD& record) const;
    std::vector<std::u16string> columnTexts(const _DEVICERECORD& record, int column) const;
    std::u16string lastStatus(const _DEVICERECORD& record) const;
    // The calls of `name` made to the device at `ip`.
    std::vector<FakeCall> callsTo(const std::string& name, const std::string& ip) const;

    void setFirmwarePath(std::u16string path);

    BatchState state;
    FakeDeviceLibrary fake;
    RecordingWindow window;
    vexlo::HeadlessUiPort port;
    std::mutex pathMutex;
    std::u16string firmwarePath = u"/firmware/ipc.bin";
    BatchWorkers workers;
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    int probeCount = 0;
};

// A default script changed by `change`.
template <typename Change> FakeDeviceScript scripted(Change change)
{
    FakeDeviceScript script;
    change(script);
    return script;
}

// `expected` and `actual` as readable UTF-8 lines, for failure messages.
std::string describeTexts(const std::vector<std::u16string>& texts);

} // namespace vexlo
