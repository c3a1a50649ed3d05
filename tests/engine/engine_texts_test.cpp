#include "engine/batch_state.h"
#include "engine/row_update.h"
#include "engine/text_table.h"
#include "engine/upgrade_controller.h"
#include "platform/headless_ui_port.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vexlo {

namespace {

TEST(TextTable, HoldsBothLanguagesOfEveryEntry)
{
    std::set<std::u16string_view> chinese;
    for (int i = 0; i < kTextCount; ++i) {
        const auto id = static_cast<TextId>(i);
        EXPECT_FALSE(textOf(id, kLanguageChinese).empty()) << i;
        EXPECT_FALSE(textOf(id, kLanguageEnglish).empty()) << i;
        chinese.insert(textOf(id, kLanguageChinese));
    }
    // Entries 72 and 77 share their text; every other entry is its own.
    EXPECT_EQ(chinese.size(), static_cast<std::size_t>(kTextCount - 1));
}

TEST(TextTable, KeepsTheExactPunctuationOfEachText)
{
    EXPECT_EQ(textOf(TextId::SelectAll, 0), u"全选");
    EXPECT_EQ(textOf(TextId::FormatSummaryHead, 1), u"Formatting is finish, Total");
    EXPECT_EQ(textOf(TextId::AskContinueSearch, 0),
              u"搜索到的IPC数量与设备升级数量不一致，是否继续搜索？");
    EXPECT_EQ(textOf(TextId::AskContinueInstructions, 1),
              u"Whether to continue the rest of the instructions？");
    EXPECT_EQ(textOf(TextId::UpgradeSummaryHead, 0), u"升级完成, 总共:");
    EXPECT_EQ(textOf(TextId::UploadFinishedChecking, 1), u"finished upload,checking file");
    EXPECT_EQ(textOf(TextId::CheckingFileWait, 0), u"上传完成，校验文件");
    EXPECT_EQ(textOf(TextId::UpgradeSuccess, 1), u"upgrade scuccess");
    EXPECT_EQ(textOf(TextId::ProgressAllocationFailed, 1),
              u"malloc memory failt when get upload progress");
    EXPECT_EQ(textOf(TextId::UpgradeFileLabel, 0), u"升级文件");
}

TEST(TextTable, UnknownLanguageOrEntryIsSafe)
{
    EXPECT_EQ(textOf(TextId::LoginOk, 7), u"登录成功");
    EXPECT_TRUE(textOf(static_cast<TextId>(90), 0).empty());
    EXPECT_TRUE(textOf(static_cast<TextId>(-1), 1).empty());
}

TEST(StatusFormats, ProgressAndSecondsTexts)
{
    EXPECT_EQ(percentText(u"上传文件", 7), u"上传文件 7%");
    EXPECT_EQ(percentText(u"uploading file", 100), u"uploading file 100%");
    EXPECT_EQ(percentText(u"uploading file", 250), u"uploading file 100%");
    EXPECT_EQ(secondsText(u"设备重启，尝试登录", 0), u"设备重启，尝试登录 0(s)");
    EXPECT_EQ(secondsText(u"x", 239), u"x 239(s)");
}

TEST(VersionAnswer, TheBareVersionIsWhatFollowsTheMarker)
{
    EXPECT_EQ(versionOfAnswer("<R FileSystemVersion=\"V2.1 build 7\" Other=\"x\"/>"),
              u"V2.1 build 7");
    EXPECT_EQ(versionOfAnswer("no marker here"), u"");
    EXPECT_EQ(versionOfAnswer(""), u"");
    // No closing quote: the rest of the answer.
    EXPECT_EQ(versionOfAnswer("FileSystemVersion=\"V3"), u"V3");
    // GBK text in the version is converted.
    EXPECT_EQ(versionOfAnswer("FileSystemVersion=\"\xB9\xCC\xBC\xFE\""), u"固件");
}

TEST(VersionAnswer, LongAnswersAreCutAt255Units)
{
    const std::string answer = "FileSystemVersion=\"" + std::string(400, 'v');
    EXPECT_EQ(versionOfAnswer(answer).size(), 255u - 19u);
    const std::string late = std::string(300, ' ') + "FileSystemVersion=\"V1\"";
    EXPECT_EQ(versionOfAnswer(late), u"") << "a marker past the cut is not seen";
}

class RecordingHandler : public vexlo::UiHandler
{
public:
    LPARAM onMessage(const vexlo::UiMessage& message) override
    {
        received.push_back(message);
        return 0;
    }
    void onTimer(std::uint32_t) override {}
    std::vector<vexlo::UiMessage> received;
};

TEST(RowUpdates, CarryACopyOfTheTextTheyShow)
{
    BatchState state;
    RecordingHandler handler;
    vexlo::HeadlessUiPort port(&handler);
    state.ui = &port;
    _DEVICERECORD record{};

    postStatus(state, record, TextId::LoggingIn);
    state.languageIndex = 1;
    postStatus(state, record, TextId::LoginOk);
    postRowUpdate(state, record, u"V1.0", COLUMN_VERSION_BEFORE);
    EXPECT_EQ(statusTextOf(record), u"V1.0");
    ASSERT_TRUE(
        port.runUntil([&] { return handler.received.size() == 3; }, std::chrono::seconds(5)));

    EXPECT_EQ(handler.received[0].text, u"正在登录");
    EXPECT_EQ(handler.received[0].lParam, COLUMN_STATUS);
    EXPECT_EQ(handler.received[0].wParam, reinterpret_cast<WPARAM>(&record));
    EXPECT_EQ(handler.received[1].text, u"Login OK");
    EXPECT_EQ(handler.received[2].text, u"V1.0");
    EXPECT_EQ(handler.received[2].lParam, COLUMN_VERSION_BEFORE);
    port.shutdown();
}

TEST(RowUpdates, SentUpdateIsHandledBeforeTheSenderGoesOn)
{
    BatchState state;
    RecordingHandler handler;
    vexlo::HeadlessUiPort port(&handler);
    state.ui = &port;
    _DEVICERECORD record{};
    std::atomic<bool> returned{false};

    std::thread worker([&] {
        sendRowUpdate(state, record, u"V2.0", COLUMN_VERSION_AFTER);
        returned = true;
    });
    ASSERT_TRUE(port.runUntil([&] { return returned.load(); }, std::chrono::seconds(5)));
    worker.join();
    ASSERT_EQ(handler.received.size(), 1u);
    EXPECT_EQ(handler.received[0].text, u"V2.0");
    EXPECT_EQ(handler.received[0].lParam, COLUMN_VERSION_AFTER);
    port.shutdown();
}

TEST(RowUpdates, WithoutAPortOnlyTheRecordChanges)
{
    BatchState state;
    _DEVICERECORD record{};
    postStatus(state, record, TextId::FormatOk);
    EXPECT_EQ(statusTextOf(record), u"格式化成功");
}

} // namespace

} // namespace vexlo
