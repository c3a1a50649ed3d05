#include "engine/batch_state.h"
#include "engine/messages.h"
#include "engine/sdk_callbacks.h"
#include "sdk/netsdk.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vexlo {

namespace {

class SdkCallbacks : public ::testing::Test
{
protected:
    SdkCallbacks()
    {
        state.upgradeControlQueue = &upgradeQueue;
        state.loginEvent->reset();
    }

    _DEVICERECORD* device(int handle)
    {
        records.push_back(std::make_unique<_DEVICERECORD>());
        records.back()->loginHandle = handle;
        return records.back().get();
    }

    int status(int handle, int event) { return StatusEventCallBack(handle, event, 0, &state); }
    int answer(int handle, int code, const char* text = "")
    {
        return AUXResponseCallBack(handle, code, text, &state);
    }

    std::optional<vexlo::ThreadMessage> nextUpgradeMessage() { return upgradeQueue.waitFor(0); }

    BatchState state;
    vexlo::ThreadMessageQueue upgradeQueue;
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
};

TEST_F(SdkCallbacks, LoginAnswersReachTheFirstTaskWithTheHandleAndTheApplyList)
{
    _LOGINTASK other, first, second;
    other.handle = 7;
    first.handle = 9;
    second.handle = 9;
    state.loginQueue.items = {&other, &first, &second};
    _DEVICERECORD* applied = device(9);
    _DEVICERECORD* alsoNine = device(9);
    state.applyList.items = {nullptr, applied, alsoNine};

    EXPECT_EQ(status(9, SDK_EVENT_LOGIN_OK), 0);

    EXPECT_EQ(other.result.load(), 0);
    EXPECT_EQ(first.result.load(), 1);
    EXPECT_EQ(second.result.load(), 0);
    EXPECT_EQ(applied->loginState.load(), 1);
    EXPECT_EQ(alsoNine->loginState.load(), 0);
    EXPECT_TRUE(state.loginEvent->wait(0));
    EXPECT_FALSE(state.loginEvent->wait(0)) << "the event resets itself";

    status(7, SDK_EVENT_LOGIN_FAILED);
    EXPECT_EQ(other.result.load(), -1);
    EXPECT_TRUE(state.loginEvent->wait(0));

    // A refusal marks the first apply-list device with the handle, and only it.
    applied->loginHandle = 7;
    alsoNine->loginHandle = 7;
    applied->loginState = 0;
    status(7, SDK_EVENT_LOGIN_FAILED);
    EXPECT_EQ(applied->loginState.load(), -1);
    EXPECT_EQ(alsoNine->loginState.load(), 0);
}

TEST_F(SdkCallbacks, LoginAnswerThatNobodyHoldsStillSignalsAndIsKeptForTheCaller)
{
    status(42, SDK_EVENT_LOGIN_OK);
    EXPECT_TRUE(state.loginEvent->wait(0));
    EXPECT_EQ(state.claimLoginResult(42), 1);
    EXPECT_EQ(state.claimLoginResult(42), 0) << "claimed once only";

    status(43, SDK_EVENT_LOGIN_FAILED);
    EXPECT_EQ(state.claimLoginResult(43), -1);
}

TEST_F(SdkCallbacks, UploadEventsGoToTheUpgradeControllerWithTheHandle)
{
    status(5, SDK_EVENT_UPLOAD_DONE);
    status(6, SDK_EVENT_UPLOAD_FAILED);
    status(6, 99); // ignored

    auto done = nextUpgradeMessage();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->message, TM_UPLOAD_DONE);
    EXPECT_EQ(done->wParam, 5u);
    auto failed = nextUpgradeMessage();
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->message, TM_UPLOAD_FAILED);
    EXPECT_EQ(failed->wParam, 6u);
    EXPECT_FALSE(nextUpgradeMessage());
    EXPECT_FALSE(state.loginEvent->wait(0));
}

TEST_F(SdkCallbacks, EventsWithoutARunningUpgradeControllerAreDropped)
{
    state.upgradeControlQueue = nullptr;
    EXPECT_EQ(status(5, SDK_EVENT_UPLOAD_DONE), 0);
    EXPECT_EQ(answer(5, CMD_FIRMWARE_VERDICT), 0);
}

TEST_F(SdkCallbacks, EverySectionAnswerSetsItsOwnFlagOnTheFirstMatchingDevice)
{
    _DEVICERECORD* target = device(3);
    _DEVICERECORD* sameHandleLater = device(3);
    state.applyList.items = {target, sameHandleLater};

    for (int i = 0; i < kSectionCount; ++i) {
        const int code = kSectionReplyCodes[i];
        answer(3, (i % 2) ? sdkRefusalOf(code) : code);
        EXPECT_EQ(target->sectionResult[i].load(), (i % 2) ? -1 : 1) << "code " << code;
        EXPECT_EQ(sameHandleLater->sectionResult[i].load(), 0);
    }
    EXPECT_EQ(sectionIndexOfCode(325), 0);
    EXPECT_EQ(sectionIndexOfCode(227), 14);
    EXPECT_EQ(sectionIndexOfCode(1005), -1);
}

TEST_F(SdkCallbacks, SectionAnswerForADeviceNotInTheApplyListChangesNothing)
{
    _DEVICERECORD* elsewhere = device(4);
    answer(4, 421);
    EXPECT_EQ(elsewhere->sectionResult[2].load(), 0);
}

TEST_F(SdkCallbacks, TimeAnswersMarkTheDeviceAndLeaveItPending)
{
    _DEVICERECORD* a = device(1);
    _DEVICERECORD* b = device(2);
    state.timeSyncPendingList.items = {nullptr, a, b};

    answer(1, CMD_SET_TIME, "");
    answer(2, sdkRefusalOf(CMD_SET_TIME));

    EXPECT_EQ(a->timeSyncState.load(), 1);
    EXPECT_EQ(b->timeSyncState.load(), 2);
    EXPECT_EQ(state.timeSyncPendingList.items.size(), 3u);
}

TEST_F(SdkCallbacks, FirmwareVerdictGoesToTheUpgradeController)
{
    answer(8, CMD_FIRMWARE_VERDICT);
    answer(9, sdkRefusalOf(CMD_FIRMWARE_VERDICT));
    auto accepted = nextUpgradeMessage();
    auto refused = nextUpgradeMessage();
    ASSERT_TRUE(accepted && refused);
    EXPECT_EQ(accepted->message, TM_UPGRADE_ACCEPTED);
    EXPECT_EQ(accepted->wParam, 8u);
    EXPECT_EQ(refused->message, TM_UPGRADE_REFUSED);
    EXPECT_EQ(refused->wParam, 9u);
}

TEST_F(SdkCallbacks, VersionAnswerHandsTheTaskToTheControllerWithTheWholeText)
{
    _VERSIONTASK task;
    task.record = device(11);
    task.state = 1;
    state.versionQueue.items = {&task};

    const char* text = "<RESPONSE_PARAM FileSystemVersion=\"V2.1\" Build=\"7\" />";
    answer(11, CMD_VERSION, text);

    EXPECT_EQ(task.state.load(), 2);
    EXPECT_STREQ(task.answer, text);
    EXPECT_TRUE(state.versionQueue.items.empty());
    auto message = nextUpgradeMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, TM_VERSION_RESULT);
    EXPECT_EQ(message->wParam, reinterpret_cast<WPARAM>(&task));
}

TEST_F(SdkCallbacks, LongVersionAnswerIsCutToTheTaskBuffer)
{
    _VERSIONTASK task;
    task.record = device(12);
    state.versionQueue.items = {&task};
    std::string longAnswer(1000, 'v');
    answer(12, CMD_VERSION, longAnswer.c_str());
    EXPECT_EQ(std::string(task.answer), std::string(255, 'v'));
}

TEST_F(SdkCallbacks, RefusedOrUnmatchedVersionAnswerChangesNothing)
{
    _VERSIONTASK task;
    task.record = device(13);
    task.state = 1;
    state.versionQueue.items = {&task};

    answer(13, sdkRefusalOf(CMD_VERSION), "x");
    answer(14, CMD_VERSION, "y");

    EXPECT_EQ(task.state.load(), 1);
    EXPECT_STREQ(task.answer, "");
    EXPECT_EQ(state.versionQueue.items.size(), 1u);
    EXPECT_FALSE(nextUpgradeMessage());
}

TEST_F(SdkCallbacks, StorageAnswerFillsTheTotalsAndEndsTheWait)
{
    _DEVICERECORD* record = device(21);
    state.storagePendingList.items = {record};
    answer(21, CMD_STORAGE,
           "<Storage><Disk Name=\"SD1\" Total=\"0\" Free=\"0\"/><Disk Total=\"32000\"/>"
           "<Disk Total=\"-5\"/></Storage>");
    EXPECT_EQ(record->storageInfoReceived.load(), 1);
    EXPECT_EQ(record->totalSd1.load(), 0) << "0 means not mounted";
    EXPECT_EQ(record->totalSd2.load(), 32000);
    EXPECT_EQ(record->totalUsb.load(), -5);
    EXPECT_TRUE(state.storagePendingList.items.empty());

    // No longer pending: a second answer changes nothing.
    answer(21, CMD_STORAGE, "Total=\"1\" Total=\"1\" Total=\"1\"");
    EXPECT_EQ(record->totalSd2.load(), 32000);
}

TEST_F(SdkCallbacks, RefusedStorageAnswerIsLeftToTheTimeout)
{
    _DEVICERECORD* record = device(22);
    state.storagePendingList.items = {record};
    answer(22, sdkRefusalOf(CMD_STORAGE), "Total=\"9\"");
    EXPECT_EQ(record->storageInfoReceived.load(), 0);
    EXPECT_EQ(state.storagePendingList.items.size(), 1u);
}

TEST_F(SdkCallbacks, FormatAnswerSettlesTheFirstPendingDeviceOnly)
{
    _DEVICERECORD* first = device(31);
    _DEVICERECORD* second = device(31);
    state.formatPendingList.items = {first, second};

    answer(31, CMD_FORMAT);
    EXPECT_EQ(first->formatState.load(), 1);
    EXPECT_EQ(second->formatState.load(), 0);
    ASSERT_EQ(state.formatPendingList.items.size(), 1u);
    EXPECT_EQ(state.formatPendingList.items[0], second);

    answer(31, sdkRefusalOf(CMD_FORMAT));
    EXPECT_EQ(second->formatState.load(), 2);
    EXPECT_TRUE(state.formatPendingList.items.empty());

    // Answers for devices that are no longer pending change nothing.
    answer(31, CMD_FORMAT);
    answer(31, sdkRefusalOf(CMD_FORMAT));
    EXPECT_EQ(first->formatState.load(), 1);
    EXPECT_EQ(second->formatState.load(), 2);
}

TEST_F(SdkCallbacks, AnswersForOneHandleSettleOnlyTheFirstPendingEntry)
{
    // Two entries with one handle: a device logged in twice, or a handle
    // reused after a logout. Each answer belongs to the first of them.
    _DEVICERECORD* first = device(5);
    _DEVICERECORD* second = device(5);
    _DEVICERECORD* unrelated = device(6);

    state.timeSyncPendingList.items = {first, second};
    answer(5, CMD_SET_TIME);
    EXPECT_EQ(first->timeSyncState.load(), 1);
    EXPECT_EQ(second->timeSyncState.load(), 0);
    answer(7, CMD_SET_TIME);
    EXPECT_EQ(second->timeSyncState.load(), 0);

    _VERSIONTASK firstTask, secondTask;
    firstTask.record = first;
    secondTask.record = second;
    firstTask.state = secondTask.state = 1;
    state.versionQueue.items = {&firstTask, &secondTask};
    answer(5, CMD_VERSION, "first");
    EXPECT_EQ(firstTask.state.load(), 2);
    EXPECT_STREQ(firstTask.answer, "first");
    EXPECT_EQ(secondTask.state.load(), 1);
    EXPECT_STREQ(secondTask.answer, "");
    ASSERT_EQ(state.versionQueue.items.size(), 1u);
    EXPECT_EQ(state.versionQueue.items[0], &secondTask);
    auto message = nextUpgradeMessage();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->wParam, reinterpret_cast<WPARAM>(&firstTask));
    EXPECT_FALSE(nextUpgradeMessage());

    state.storagePendingList.items = {unrelated, first, second};
    answer(5, CMD_STORAGE, "Total=\"8\" Total=\"9\"");
    EXPECT_EQ(first->storageInfoReceived.load(), 1);
    EXPECT_EQ(first->totalSd1.load(), 8);
    EXPECT_EQ(first->totalSd2.load(), 9);
    EXPECT_EQ(first->totalUsb.load(), 0) << "a missing total is 0";
    EXPECT_EQ(second->storageInfoReceived.load(), 0);
    EXPECT_EQ(second->totalSd1.load(), 0);
    EXPECT_EQ(unrelated->storageInfoReceived.load(), 0);
    EXPECT_EQ(state.storagePendingList.items, (std::vector<_DEVICERECORD*>{unrelated, second}));
}

TEST_F(SdkCallbacks, ApplyListMayChangeWhileAnswersArrive)
{
    // The user-interface thread fills and empties the apply list while the
    // library's threads look devices up in it; the thread checker sees any
    // access that the list's lock does not cover.
    _DEVICERECORD* record = device(3);
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int round = 0; round < 5000; ++round) {
            vexlo::CriticalSectionLock lock(state.applyList.lock);
            if (round % 2 == 0)
                state.applyList.items.assign({nullptr, record});
            else
                state.applyList.items.clear();
        }
        done = true;
    });
    int answers = 0;
    while (!done.load() || answers < 100) {
        answer(3, 325);
        status(3, SDK_EVENT_LOGIN_OK);
        ++answers;
    }
    editor.join();
    for (const auto& flag : record->sectionResult) {
        const int value = flag.load();
        EXPECT_TRUE(value == 0 || value == 1) << value;
    }
    EXPECT_TRUE(record->loginState.load() == 0 || record->loginState.load() == 1);
}

TEST_F(SdkCallbacks, UnknownCodesAndMissingTextAreIgnored)
{
    _DEVICERECORD* record = device(1);
    state.applyList.items = {record};
    state.timeSyncPendingList.items = {record};
    EXPECT_EQ(answer(1, 4242), 0);
    EXPECT_EQ(answer(1, sdkRefusalOf(4242)), 0);
    EXPECT_EQ(AUXResponseCallBack(1, CMD_STORAGE, nullptr, &state), 0);
    EXPECT_EQ(record->timeSyncState.load(), 0);
    EXPECT_FALSE(nextUpgradeMessage());
}

TEST(StorageTotalsParser, TakesTheFirstThreeTotalsInOrder)
{
    auto totals = parseStorageTotals("a Total=\"  +12x\" b Total=\"7\" c Total=\"8\" Total=\"9\"");
    EXPECT_EQ(totals.sd1, 12);
    EXPECT_EQ(totals.sd2, 7);
    EXPECT_EQ(totals.usb, 8);
}

TEST(StorageTotalsParser, MissingTotalsAreZero)
{
    auto one = parseStorageTotals("Total=\"64\"");
    EXPECT_EQ(one.sd1, 64);
    EXPECT_EQ(one.sd2, 0);
    EXPECT_EQ(one.usb, 0);
    auto none = parseStorageTotals("nothing here");
    EXPECT_EQ(none.sd1, 0);
    auto unterminated = parseStorageTotals("Total=\"15");
    EXPECT_EQ(unterminated.sd1, 15);
    EXPECT_EQ(unterminated.sd2, 0);
    auto empty = parseStorageTotals("Total=\"\" Total=\"abc\"");
    EXPECT_EQ(empty.sd1, 0);
    EXPECT_EQ(empty.sd2, 0);
}

TEST(StorageTotalsParser, NumbersSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(parseLeadingInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(parseLeadingInt("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(parseLeadingInt(" \t-42abc"), -42);
    EXPECT_EQ(parseLeadingInt("- 4"), 0);
}

TEST(StorageTotalsParser, ReadsTheWholeAnswerHoweverLong)
{
    // The answer is read where it lies rather than copied into a fixed buffer,
    // so a total far into a long answer still counts.
    const std::string answer = "Total=\"1\"" + std::string(300, ' ') + "Total=\"2\"" +
                               std::string(4000, 'x') + "Total=\" 3";
    const StorageTotals totals = parseStorageTotals(answer);
    EXPECT_EQ(totals.sd1, 1);
    EXPECT_EQ(totals.sd2, 2);
    EXPECT_EQ(totals.usb, 3) << "an unterminated value runs to the end of the answer";
}

TEST(StorageTotalsParser, SurvivesAnyBytes)
{
    std::uint32_t seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(seed % 600);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            const char pool[] = "Total=\"0123456789 -+x\0";
            bytes.push_back(pool[(seed >> 16) % (sizeof pool - 1)]);
        }
        seed = seed * 1103515245u + 12345u;
        parseStorageTotals(bytes);
    }
}

} // namespace

} // namespace vexlo
