#include "main_window_fixture.h"

#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "devices/setting_ip_dlg.h"
#include "engine/batch_state.h"
#include "engine/device_record.h"
#include "engine/messages.h"
#include "platform/codepage.h"
#include "profile/profile_file.h"
#include "settings/other_set_dlg.h"
#include "settings/settings_page.h"

#include <cstdio>

namespace vexlo {

namespace fs = std::filesystem;

namespace {

std::unique_ptr<vexlo::ConfigProfile> loadStored(const fs::path& directory)
{
    auto loaded = std::make_unique<vexlo::ConfigProfile>();
    EXPECT_EQ(vexlo::loadProfile(*loaded, directory), vexlo::kProfileOk);
    return loaded;
}

} // namespace

TEST_F(MainWindowTest, FirstStartWritesTheDefaults)
{
    ASSERT_FALSE(fs::exists(directory / "config.dat"));
    open();
    vexlo::DialogModel& model = window->model();
    EXPECT_EQ(model.selectedText(ctl::ExpectedCountCombo), u"24");
    EXPECT_EQ(model.selectedText(ctl::FormatTimeoutCombo), u"5");
    EXPECT_EQ(window->expectedDeviceCount(), 24);
    EXPECT_EQ(window->formatTimeoutMs(), 5u * 60000u);
    for (int ticked : {ctl::SearchTick, ctl::ModifyIpTick, ctl::UpgradeTick, ctl::SyncTimeTick,
                       ctl::RestoreTick, ctl::RebootTick})
        EXPECT_TRUE(model.checked(ticked)) << ticked;
    for (int unticked :
         {ctl::FormatSd1Tick, ctl::FormatSd2Tick, ctl::FormatUsbTick, ctl::OtherSettingsTick})
        EXPECT_FALSE(model.checked(unticked)) << unticked;

    const auto stored = loadStored(directory);
    EXPECT_EQ(stored->main.expectedCountIndex, 23);
    EXPECT_EQ(stored->main.formatTimeoutIndex, 4);
    EXPECT_EQ(stored->main.searchTick, 1);
    EXPECT_EQ(stored->main.modifyIpTick, 1);
    EXPECT_EQ(stored->main.upgradeTick, 1);
    EXPECT_EQ(stored->main.syncTimeTick, 1);
    EXPECT_EQ(stored->main.restoreTick, 1);
    EXPECT_EQ(stored->main.rebootTick, 1);
    EXPECT_EQ(stored->main.formatSd1Tick, 0);
    EXPECT_EQ(stored->main.otherSettingsTick, 0);
}

TEST_F(MainWindowTest, AFileOfAnotherVersionIsReplacedByTheDefaults)
{
    writeProfile(directory, [](vexlo::ConfigProfile&) {});
    // Version 1.3 instead of 1.2.
    std::FILE* file = std::fopen((directory / "config.dat").c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    const float version = 1.3f;
    std::fseek(file, 16, SEEK_SET);
    std::fwrite(&version, sizeof version, 1, file);
    std::fclose(file);

    open();
    EXPECT_EQ(window->expectedDeviceCount(), 24);
    EXPECT_EQ(loadStored(directory)->main.expectedCountIndex, 23);
}

TEST_F(MainWindowTest, StoredSettingsAreApplied)
{
    writeProfile(directory, [](vexlo::ConfigProfile& p) {
        p.main.expectedCountIndex = 2;
        p.main.formatTimeoutIndex = 16; // "30"
        p.main.formatUsbTick = 1;
        p.main.otherSettingsTick = 1;
    });
    open();
    EXPECT_EQ(window->expectedDeviceCount(), 3);
    EXPECT_EQ(window->formatTimeoutMs(), 30u * 60000u);
    EXPECT_TRUE(window->model().checked(ctl::FormatUsbTick));
    EXPECT_TRUE(window->model().checked(ctl::OtherSettingsTick));
    EXPECT_FALSE(window->model().checked(ctl::SearchTick));
}

TEST_F(MainWindowTest, StoredIndexThatSelectsNothingLeavesTheCountZero)
{
    writeProfile(directory, [](vexlo::ConfigProfile& p) {
        p.main.expectedCountIndex = 250; // one past "250"
        p.main.searchTick = 1;
    });
    open();
    EXPECT_EQ(window->model().selection(ctl::ExpectedCountCombo), -1);
    EXPECT_EQ(window->model().selectedText(ctl::ExpectedCountCombo), u"");
    EXPECT_EQ(window->expectedDeviceCount(), 0);

    // So the next search ends at its first poll, with nothing listed.
    library.addCameras(1, 3);
    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(window->deviceList().rowCount(), 0);
    EXPECT_EQ(library.countOf("StopSearchIPC"), 1u);
    EXPECT_TRUE(questions.empty());
}

TEST_F(MainWindowTest, ChoosingAFormatTimeoutStoresAndSaves)
{
    open();
    window->model().userSelect(ctl::FormatTimeoutCombo, 6);
    EXPECT_EQ(window->model().selectedText(ctl::FormatTimeoutCombo), u"7");
    EXPECT_EQ(window->formatTimeoutMs(), 420000u);
    EXPECT_EQ(loadStored(directory)->main.formatTimeoutIndex, 6);
}

TEST_F(MainWindowTest, ChoosingAnExpectedCountStoresAndSaves)
{
    open();
    window->model().userSelect(ctl::ExpectedCountCombo, 249);
    EXPECT_EQ(window->expectedDeviceCount(), 250);
    EXPECT_EQ(loadStored(directory)->main.expectedCountIndex, 249);
    window->model().userSelect(ctl::ExpectedCountCombo, 0);
    EXPECT_EQ(window->expectedDeviceCount(), 1);
}

TEST_F(MainWindowTest, TickExclusionsAreStored)
{
    open();
    // Defaults: restore and reboot ticked, other settings not.
    window->model().userClick(ctl::OtherSettingsTick);
    EXPECT_TRUE(window->model().checked(ctl::OtherSettingsTick));
    EXPECT_FALSE(window->model().checked(ctl::RestoreTick));
    EXPECT_FALSE(window->model().checked(ctl::RebootTick));
    auto stored = loadStored(directory);
    EXPECT_EQ(stored->main.otherSettingsTick, 1);
    EXPECT_EQ(stored->main.restoreTick, 0);
    EXPECT_EQ(stored->main.rebootTick, 0);

    window->model().userClick(ctl::RebootTick);
    EXPECT_TRUE(window->model().checked(ctl::RebootTick));
    EXPECT_FALSE(window->model().checked(ctl::OtherSettingsTick));
    stored = loadStored(directory);
    EXPECT_EQ(stored->main.rebootTick, 1);
    EXPECT_EQ(stored->main.otherSettingsTick, 0);

    window->model().userClick(ctl::OtherSettingsTick);
    window->model().userClick(ctl::RestoreTick);
    EXPECT_TRUE(window->model().checked(ctl::RestoreTick));
    EXPECT_FALSE(window->model().checked(ctl::OtherSettingsTick));
    EXPECT_EQ(loadStored(directory)->main.restoreTick, 1);

    // Unticking touches nothing else.
    window->model().userClick(ctl::UpgradeTick);
    stored = loadStored(directory);
    EXPECT_EQ(stored->main.upgradeTick, 0);
    EXPECT_EQ(stored->main.restoreTick, 1);
    EXPECT_EQ(stored->main.syncTimeTick, 1);
}

TEST_F(MainWindowTest, LayoutHasEveryControl)
{
    open();
    vexlo::DialogModel& model = window->model();
    EXPECT_EQ(model.ids().size(), 50u);
    for (int hidden :
         {ctl::SearchButton, ctl::TickAllBox, ctl::InvertBox, ctl::DirectModifyIp,
          ctl::DirectFormatSd1, ctl::DirectFormatSd2, ctl::DirectFormatUsb, ctl::DirectRestore,
          ctl::DirectReboot, ctl::DirectTimeSync, ctl::ChineseRadio, ctl::EnglishRadio})
        EXPECT_FALSE(model.control(hidden).visible) << hidden;
    for (int shown :
         {ctl::DeviceList, ctl::FirmwarePath, ctl::ExecuteButton, ctl::TotalCount, ctl::TickedCount,
          ctl::ExpectedCountCombo, ctl::FormatTimeoutCombo, ctl::PlayTickedButton,
          ctl::CurrentAction, ctl::OtherSettingsButton, ctl::SetIpButton})
        EXPECT_TRUE(model.control(shown).visible) << shown;
    EXPECT_EQ(model.text(ctl::FirmwareLabel), u"升级文件：");
    EXPECT_EQ(model.text(ctl::ExpectedCountLabel), u"设备升级数目");
    EXPECT_EQ(model.text(ctl::OtherSettingsTick), u"其它设置");
    EXPECT_EQ(model.text(ctl::PlayTickedButton), u"播放勾选设备");
    EXPECT_EQ(model.text(ctl::TotalCount), u"0");
    EXPECT_EQ(model.control(ctl::ExpectedCountCombo).items.size(), 250u);
    EXPECT_EQ(model.control(ctl::ExpectedCountCombo).items.front(), u"1");
    EXPECT_EQ(model.control(ctl::ExpectedCountCombo).items.back(), u"250");
    EXPECT_EQ(
        model.control(ctl::FormatTimeoutCombo).items,
        (std::vector<std::u16string>{u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10",
                                     u"12", u"14", u"16", u"18", u"20", u"25", u"30"}));
    EXPECT_TRUE(model.checked(ctl::ChineseRadio));
    EXPECT_EQ(window->batchState().languageIndex.load(), 0);

    vexlo::CReportCtrl& list = window->deviceList();
    ASSERT_EQ(list.columnCount(), 7);
    EXPECT_EQ(list.headerText(0), u"IP地址");
    EXPECT_EQ(list.headerText(6), u"状态信息");
    EXPECT_EQ(list.columnWidth(2), 135);
    EXPECT_EQ(list.columnWidth(6), 300);
    EXPECT_TRUE(list.sortable());
}

TEST_F(MainWindowTest, KeysAndTheSystemMenu)
{
    open();
    EXPECT_TRUE(window->swallowsKey(vexlo::CVexloDlg::kEscapeKey));
    EXPECT_FALSE(window->swallowsKey('\r'));
    EXPECT_TRUE(window->onSystemCommand(16 | 0x3));
    EXPECT_EQ(frontEnd.aboutBoxes, 1);
    EXPECT_FALSE(window->onSystemCommand(0xF060)); // close: default handling
    EXPECT_EQ(frontEnd.aboutBoxes, 1);
}

TEST_F(MainWindowTest, ButtonsReachTheFrontEnd)
{
    open();
    frontEnd.firmwareChoice = u"/firmware/中文.bin";
    window->model().userClick(ctl::BrowseButton);
    EXPECT_EQ(window->model().text(ctl::FirmwarePath), u"/firmware/中文.bin");

    window->model().userClick(ctl::OtherSettingsButton);
    EXPECT_EQ(frontEnd.settingsWindows, 1);

    frontEnd.setIpScript = [](vexlo::CSettingIPDlg& dialog) {
        dialog.model().userClick(vexlo::CSettingIPDlg::kUseStartAddressId);
        dialog.model().userEditText(vexlo::CSettingIPDlg::kStartAddressId, u"127.0.2.10");
        dialog.model().userClick(vexlo::CSettingIPDlg::kOkId);
    };
    window->model().userClick(ctl::SetIpButton);
    EXPECT_EQ(frontEnd.setIpDialogs, 1);
    const auto stored = loadStored(directory);
    EXPECT_EQ(stored->main.useStartAddress, 1);
    EXPECT_EQ(vexlo::fieldText(stored->main.startAddress), "127.0.2.10");
}

TEST_F(MainWindowTest, VideoWallGetsTheTickedDevicesInListOrder)
{
    library.addCameras(1, 4);
    open();
    tickOnly({ctl::SearchTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 3);
    window->onCommand(ctl::SearchButton);
    ASSERT_TRUE(waitForFinish());
    window->deviceList().setTicked(1, false);
    window->model().userClick(ctl::PlayTickedButton);
    ASSERT_EQ(frontEnd.videoWalls.size(), 1u);
    const auto& wall = frontEnd.videoWalls[0];
    ASSERT_EQ(wall.size(), 3u);
    EXPECT_EQ(wall[0], window->deviceList().deviceOfRow(0));
    EXPECT_EQ(wall[1], window->deviceList().deviceOfRow(2));
    EXPECT_EQ(wall[2], window->deviceList().deviceOfRow(3));

    window->onListDoubleClick(2);
    window->onListDoubleClick(9);
    ASSERT_EQ(frontEnd.singleVideos.size(), 1u);
    EXPECT_EQ(frontEnd.singleVideos[0], window->deviceList().deviceOfRow(2));
}

// Button 1054 hands the front end the ticked devices in list order, at most 250.
TEST_F(MainWindowTest, PlayTickedShowsTheFirst250TickedRows)
{
    open();
    vexlo::CReportCtrl& list = window->deviceList();
    std::vector<std::unique_ptr<_DEVICERECORD>> records;
    for (int i = 0; i < 262; ++i) {
        records.push_back(std::make_unique<_DEVICERECORD>());
        const int row = list.insertRow(list.rowCount(), u"row");
        ASSERT_EQ(row, i);
        list.attachDevice(row, records.back().get());
        list.setTicked(row, i != 1 && i != 2); // 260 ticked
    }
    window->model().userClick(vexlo::ctl::PlayTickedButton);
    ASSERT_EQ(frontEnd.videoWalls.size(), 1u);
    const auto& wall = frontEnd.videoWalls[0];
    ASSERT_EQ(wall.size(), 250u);
    EXPECT_EQ(wall[0], records[0].get());
    EXPECT_EQ(wall[1], records[3].get()); // unticked rows are skipped
    EXPECT_EQ(wall[249], records[251].get());

    for (int row = 0; row < list.rowCount(); ++row)
        list.attachDevice(row, nullptr); // the records go with the test
}

TEST_F(MainWindowTest, TickAllInvertAndTheHiddenBoxes)
{
    library.addCameras(1, 5);
    open();
    tickOnly({ctl::SearchTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 4);
    window->onCommand(ctl::SearchButton);
    ASSERT_TRUE(waitForFinish());
    EXPECT_EQ(text(ctl::TickedCount), u"5");

    vexlo::CReportCtrl& list = window->deviceList();
    list.setTicked(3, false);
    list.setTicked(4, false);
    window->model().userClick(ctl::InvertButton);
    EXPECT_EQ(window->tickedCount(), 2);
    EXPECT_EQ(text(ctl::TickedCount), u"2");
    EXPECT_TRUE(list.isTicked(3) && list.isTicked(4));

    window->onCommand(ctl::InvertBox);
    EXPECT_EQ(window->tickedCount(), 3);
    window->model().userClick(ctl::TickAllButton);
    EXPECT_EQ(window->tickedCount(), 5);

    // The hidden 1003 ticks or unticks all by its own state.
    window->model().setChecked(ctl::TickAllBox, false);
    window->onCommand(ctl::TickAllBox);
    EXPECT_EQ(window->tickedCount(), 0);
    EXPECT_EQ(text(ctl::TickedCount), u"0");
}

TEST_F(MainWindowTest, RowUpdatesWriteTheCarriedTextAndColourTheResult)
{
    library.addCameras(1, 2);
    open();
    tickOnly({ctl::SearchTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 1);
    window->onCommand(ctl::SearchButton);
    ASSERT_TRUE(waitForFinish());
    vexlo::CReportCtrl& list = window->deviceList();
    list.setSortable(true);
    list.clickHeader(2);
    list.clickHeader(2); // descending: cam2 first
    _DEVICERECORD* cam1 = list.deviceOfRow(1);
    ASSERT_EQ(vexlo::fieldText(cam1->serialNo), "cam1");
    ASSERT_EQ(cam1->listRow.load(), 1);

    auto post = [&](const std::u16string& shown, int column) {
        vexlo::UiMessage message;
        message.message = WM_ROW_UPDATE;
        message.wParam = reinterpret_cast<WPARAM>(cam1);
        message.lParam = column;
        message.text = shown;
        port.post(message);
        waitFor([&] { return port.pendingCount() == 0; });
    };
    post(u"upgrade scuccess", 6); // English text while Chinese: no colour
    EXPECT_EQ(list.cellText(1, 6), u"upgrade scuccess");
    EXPECT_EQ(list.cell(1, 5)->textColour, vexlo::kWindowTextColour);
    EXPECT_EQ(list.sortColumn(), -1); // an update unsorts the list

    post(u"升级成功", 6);
    EXPECT_EQ(list.cell(1, 5)->textColour, vexlo::rgb(0, 200, 0));
    EXPECT_EQ(list.cell(0, 5)->textColour, vexlo::kWindowTextColour);
    post(u"版本号一致，升级失败", 6);
    EXPECT_EQ(list.cell(1, 5)->textColour, vexlo::rgb(255, 0, 0));
    post(u"V2.0", 5);
    EXPECT_EQ(list.cellText(1, 5), u"V2.0");
    post(u"nowhere", 9); // no such column: ignored
    EXPECT_EQ(list.cellText(1, 6), u"版本号一致，升级失败");
}

TEST_F(MainWindowTest, CheckBoxClicksAreRefusedWhileRunning)
{
    library.addCameras(1, 2);
    open();
    tickOnly({ctl::SearchTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 2); // 3: never reached
    answer = [](const std::u16string&) { return false; };
    window->model().userClick(ctl::ExecuteButton);
    EXPECT_TRUE(window->running());
    EXPECT_FALSE(window->deviceList().sortable());
    EXPECT_FALSE(window->model().enabled(ctl::ExecuteButton));
    ASSERT_TRUE(waitFor([&] { return window->deviceList().rowCount() == 2; }));
    EXPECT_FALSE(window->onListCheckBoxClick(0));
    EXPECT_TRUE(window->deviceList().isTicked(0));
    window->onListHeaderClick(2);
    EXPECT_EQ(window->deviceList().sortColumn(), -1);

    ASSERT_TRUE(waitForFinish());
    EXPECT_FALSE(window->running());
    EXPECT_TRUE(window->model().enabled(ctl::ExecuteButton));
    EXPECT_TRUE(window->model().enabled(ctl::SearchButton));
    EXPECT_TRUE(window->onListCheckBoxClick(0));
    EXPECT_FALSE(window->deviceList().isTicked(0));
    EXPECT_EQ(window->tickedCount(), 1);
}

TEST_F(MainWindowTest, ExecuteWithUpgradeAndNoFileShowsOnlyTheFileMessage)
{
    open();
    tickOnly({ctl::SearchTick, ctl::UpgradeTick});
    window->model().userClick(ctl::ExecuteButton);
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"请先选择升级文件!"});
    EXPECT_FALSE(window->running());
    EXPECT_TRUE(window->model().enabled(ctl::ExecuteButton));
    EXPECT_EQ(library.countOf("StartSearchIPC"), 0u);
}

TEST_F(MainWindowTest, ModifyIpWithNothingTickedAsksForADevice)
{
    open();
    tickOnly({ctl::ModifyIpTick});
    window->model().userClick(ctl::ExecuteButton);
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"请先选择设备!"});
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
    EXPECT_TRUE(library.modifyCalls().empty());
}

TEST_F(MainWindowTest, SettingsWindowIsCreatedHiddenLoadedAndShownByItsButton)
{
    writeProfile(directory, [](vexlo::ConfigProfile& p) {
        p.main.expectedCountIndex = 23;
        std::snprintf(p.lan.ipAddress, sizeof p.lan.ipAddress, "%s", "127.0.9.7");
    });
    open();
    vexlo::COtherSetDlg& settings = window->settingsWindow();
    EXPECT_FALSE(settings.visible());
    EXPECT_EQ(settings.shownPage(), 0);
    // Every page took its controls from the loaded file.
    EXPECT_EQ(settings.page(0).model().text(1080), u"127.0.9.7");

    window->model().userClick(ctl::OtherSettingsButton);
    EXPECT_TRUE(settings.visible());
    EXPECT_EQ(frontEnd.settingsWindows, 1);
    EXPECT_EQ(settings.title(), u"其它设置");

    // The tree posts its page change to the main window's queue, which hands
    // it on to the settings window.
    vexlo::COtherSetTreeDlg& tree = settings.tree();
    tree.userSelectItem(tree.findItem(u"时钟设置"));
    ASSERT_TRUE(waitFor([&] { return settings.shownPage() == 12; }));
    EXPECT_TRUE(settings.page(settings.shownPage()).visible());
    EXPECT_FALSE(settings.page(0).visible());

    // Opened again, it speaks the main window's language.
    window->setLanguage(vexlo::kLanguageEnglish);
    window->model().userClick(ctl::OtherSettingsButton);
    EXPECT_EQ(settings.language(), vexlo::kLanguageEnglish);
    EXPECT_EQ(settings.title(), u"Other Settings");
}

TEST_F(MainWindowTest, SettingsPagesKeepTheirTemplateStateOnAFirstStart)
{
    open(); // no config.dat: the pages are not loaded from the zero profile
    EXPECT_EQ(window->settingsWindow().page(0).model().text(1080), u"");
    EXPECT_EQ(window->settingsWindow().tree().selectedItem(),
              window->settingsWindow().tree().findItem(u"网络设置"));
}

} // namespace vexlo
