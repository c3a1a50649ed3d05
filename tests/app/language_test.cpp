// The language switch of the main window.
#include "main_window_fixture.h"

#include "app/main_controls.h"
#include "devices/report_ctrl.h"
#include "engine/device_record.h"
#include "engine/messages.h"

namespace vexlo {

namespace {

using LanguageTest = MainWindowTest;

std::vector<std::u16string> allTexts(vexlo::CVexloDlg& window)
{
    std::vector<std::u16string> texts;
    for (int id : window.model().ids())
        texts.push_back(window.model().text(id));
    for (int column = 0; column < window.deviceList().columnCount(); ++column)
        texts.push_back(window.deviceList().headerText(column));
    return texts;
}

} // namespace

TEST_F(LanguageTest, EnglishRewritesTheLabelsInPlace)
{
    open();
    window->onCommand(ctl::EnglishRadio);
    EXPECT_EQ(window->language(), 1);
    EXPECT_TRUE(window->model().checked(ctl::EnglishRadio));
    EXPECT_FALSE(window->model().checked(ctl::ChineseRadio));
    EXPECT_EQ(text(ctl::TickAllButton), u"All");
    EXPECT_EQ(text(ctl::ExpectedCountLabel), u"Num of Cameras:");
    EXPECT_EQ(text(ctl::FirmwareLabel), u"Upgrade File:");
    EXPECT_EQ(text(ctl::BrowseButton), u"Upgrade");
    EXPECT_EQ(text(ctl::UpgradeTick), u"Upgrade");
    EXPECT_EQ(text(ctl::RestoreTick), u"Factory Set");
    EXPECT_EQ(text(ctl::ExecuteButton), u"Enter");
    EXPECT_EQ(text(ctl::CurrentActionLabel), u"Current Action:");
    EXPECT_EQ(window->deviceList().headerText(0), u"IP Address");
    EXPECT_EQ(window->deviceList().headerText(6), u"Status Info");
    // No English text: kept.
    EXPECT_EQ(text(ctl::OtherSettingsTick), u"其它设置");
    EXPECT_EQ(text(ctl::SetIpButton), u"设定IP");
}

TEST_F(LanguageTest, BackToChineseUsesTheTableTexts)
{
    open();
    EXPECT_EQ(text(ctl::FirmwareLabel), u"升级文件："); // the template's text
    window->setLanguage(1);
    window->setLanguage(0);
    EXPECT_EQ(text(ctl::FirmwareLabel), u"升级文件");
    EXPECT_EQ(text(ctl::ExpectedCountLabel), u"设备升级数目:");
    EXPECT_EQ(window->deviceList().headerText(4), u"升级前版本号");
}

TEST_F(LanguageTest, ChineseWhileChineseChangesNothing)
{
    open();
    const auto before = allTexts(*window);
    window->onCommand(ctl::ChineseRadio);
    window->setLanguage(7); // not a language
    EXPECT_EQ(allTexts(*window), before);
    EXPECT_EQ(window->language(), 0);
}

TEST_F(LanguageTest, ShownTextsStayUntilWrittenAgain)
{
    library.addCameras(1, 1);
    open();
    tickOnly({ctl::SearchTick});
    window->model().userSelect(ctl::ExpectedCountCombo, 0);
    window->model().userClick(ctl::ExecuteButton);
    ASSERT_TRUE(waitForFinish());
    _DEVICERECORD* camera = window->deviceList().deviceOfRow(0);
    port.post(vexlo::UiMessage{WM_ROW_UPDATE, reinterpret_cast<WPARAM>(camera), 6, u"登录成功"});
    ASSERT_TRUE(waitFor([&] { return port.pendingCount() == 0; }));

    window->setLanguage(1);
    EXPECT_EQ(window->deviceList().cellText(0, 6), u"登录成功");
    EXPECT_EQ(text(ctl::CurrentAction), u"执行结束");
    EXPECT_EQ(text(ctl::TotalCount), u"1");

    // English result texts colour the version now; the Chinese ones do not.
    port.post(vexlo::UiMessage{WM_ROW_UPDATE, reinterpret_cast<WPARAM>(camera), 6, u"升级成功"});
    port.post(
        vexlo::UiMessage{WM_ROW_UPDATE, reinterpret_cast<WPARAM>(camera), 6, u"upgrade scuccess"});
    ASSERT_TRUE(waitFor([&] { return port.pendingCount() == 0; }));
    EXPECT_EQ(window->deviceList().cell(0, 5)->textColour, vexlo::rgb(0, 200, 0));

    window->model().userClick(ctl::ExecuteButton);
    EXPECT_EQ(text(ctl::CurrentAction), u"Searching");
    ASSERT_TRUE(waitFor([&] { return text(ctl::CurrentAction) == u"Complete"; }));
}

} // namespace vexlo
