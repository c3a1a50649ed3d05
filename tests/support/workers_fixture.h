#pragma once

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

using Texts = std::vector<std::u16string>;

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

// The seven workers with the test's thread as the user-interface thread, time
// running faster by the fixture's scale. The device library is the derived
// fixture's: it starts the workers once the library is in place.
class WorkersFixture : public ::testing::Test
{
protected:
    // The longest a test waits for the workers: the slowest stage (a check of
    // 240 s) passes well within it even at the lowest scale, under a sanitizer.
    static constexpr std::chrono::seconds kWorkersDeadline{90};

    explicit WorkersFixture(double timeScale);
    void TearDown() override;

    void startWorkers();
    // Called by TearDown once the workers have stopped: the derived fixture
    // ends its device library's deliveries here, before the port goes.
    virtual void releaseLibrary() {}

    _DEVICERECORD& device(std::size_t index) { return *records.at(index); }
    // What the upgrade instruction does for its ticked rows.
    void startUpgrade(const std::vector<_DEVICERECORD*>& devices);
    // What the maintenance instructions do before posting.
    void fillMaintList(const std::vector<_DEVICERECORD*>& devices, int diskIndex = 0);
    void setFirmwarePath(std::u16string path);
    // Returns once UpgradeControlThread has served everything posted to it so far.
    void syncWithController();

    // Serves the user-interface thread until `done` or the real-time limit.
    bool waitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = kWorkersDeadline);
    bool waitForDone(std::uint32_t message, std::size_t count = 1);
    int doneCount(std::uint32_t message) const;
    const DoneMessage* firstDone(std::uint32_t message) const;

    std::vector<std::u16string> columnTexts(const _DEVICERECORD& record, int column) const;
    std::u16string lastStatus(const _DEVICERECORD& record) const;
    // The status texts (column 6) of the record in the order shown, each passed
    // through `normalise` (an empty result drops the text), repeats folded.
    Texts foldedStatus(const _DEVICERECORD& record,
                       const std::function<std::u16string(const std::u16string&)>& normalise) const;

    BatchState state;
    RecordingWindow window;
    vexlo::HeadlessUiPort port;
    BatchWorkers workers;
    std::vector<std::unique_ptr<_DEVICERECORD>> records;

private:
    std::mutex m_pathMutex;
    std::u16string m_firmwarePath = u"/firmware/ipc.bin";
    bool m_workersStarted = false;
};

// `head` followed by `tail`.
Texts concat(Texts head, const Texts& tail);
// A number of seconds at the end of a status text ("...12(s)", "(12s)") written as "#".
std::u16string foldSeconds(const std::u16string& text);
// `texts` as readable UTF-8 lines, for failure messages.
std::string describeTexts(const Texts& texts);

#define EXPECT_TEXTS(actualTexts, ...)                                                             \
    do {                                                                                           \
        const vexlo::Texts expected{__VA_ARGS__};                                                  \
        const vexlo::Texts actual = (actualTexts);                                                 \
        EXPECT_EQ(actual, expected) << "shown:" << vexlo::describeTexts(actual)                    \
                                    << "\nexpected:" << vexlo::describeTexts(expected);            \
    } while (false)

} // namespace vexlo
