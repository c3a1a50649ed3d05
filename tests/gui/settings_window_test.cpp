#include "gui_test_support.h"

#include "gui/control_binder.h"
#include "gui/ipv4_address_edit.h"
#include "gui/qt_front_end.h"
#include "gui/qt_ui_port.h"
#include "gui/settings_page_view.h"
#include "gui/settings_tree_view.h"
#include "gui/settings_window.h"
#include "gui/warning_block_widget.h"
#include "profile/config_profile.h"
#include "profile/profile_fields.h"
#include "profile/profile_file.h"
#include "settings/other_set_dlg.h"
#include "settings/page_table.h"
#include "settings/settings_page.h"
#include "settings/warning_motion_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace vexlo {
namespace {

namespace fs = std::filesystem;

constexpr DateTimeValue kFixedNow{2026, 12, 7, 9, 30, 15};

// Hands the settings window its messages, as the main window does.
class SettingsMessages : public UiHandler
{
public:
    explicit SettingsMessages(COtherSetDlg*& dialog) : m_dialog(dialog) {}
    LPARAM onMessage(const UiMessage& message) override
    {
        return m_dialog ? m_dialog->onMessage(message) : 0;
    }
    void onTimer(std::uint32_t) override {}

private:
    COtherSetDlg*& m_dialog;
};

// The settings window's logic over a zeroed profile with config.dat in a
// folder of its own, its Qt window opened through the front end over a
// stand-in main window, messages delivered by the Qt port.
class SettingsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("vexlo-settings-gui-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_profile = std::make_unique<ConfigProfile>();
        std::memset(static_cast<void*>(m_profile.get()), 0, sizeof(ConfigProfile));
        m_dialog =
            std::make_unique<COtherSetDlg>(*m_profile, m_dir, m_port, [] { return kFixedNow; });
        m_dialogPointer = m_dialog.get();
        m_dialog->onInitDialog(COtherSetDlg::kClientWidth, COtherSetDlg::kClientHeight);

        m_mainWindow = std::make_unique<QWidget>();
        m_mainWindow->setGeometry(100, 80, 1100, 700);
        m_port.setBoxParent(m_mainWindow.get());
        m_port.setAfterHandling([this] { m_frontEnd.refreshSettingsWindow(); });
        m_frontEnd.setMainWindow(m_mainWindow.get(), {});
        m_frontEnd.setSettingsDialog(m_dialog.get());
    }

    void TearDown() override
    {
        m_port.shutdown();
        m_port.setAfterHandling({});
        m_port.setHandler(nullptr);
        m_mainWindow.reset(); // the settings window with it
        m_dialogPointer = nullptr;
        m_dialog.reset();
        fs::remove_all(m_dir);
    }

    // Button 1073 of the main window.
    SettingsWindow& open()
    {
        m_dialog->show();
        m_frontEnd.showSettingsWindow();
        SettingsWindow* window = m_frontEnd.settingsWindow();
        EXPECT_TRUE(window);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return *window;
    }

    SettingsTreeView& tree() { return m_frontEnd.settingsWindow()->treeView(); }
    QTreeWidgetItem* treeItem(const char16_t* label)
    {
        return tree().itemAt(m_dialog->tree().findItem(label));
    }

    // Clicks a tree item as the user does; a page appears once the posted
    // WM_SHOW_PAGE was handled.
    void clickTreeItem(const char16_t* label)
    {
        QTreeWidgetItem* item = treeItem(label);
        ASSERT_TRUE(item);
        if (item->parent() && !item->parent()->isExpanded())
            tree().expandItem(item->parent());
        tree().scrollToItem(item);
        const QRect rect = tree().visualItemRect(item);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, rect.center());
    }

    // Shows a page as the tree's WM_SHOW_PAGE does.
    void showPage(SettingsWindow& window, int index)
    {
        m_dialog->setCurrentPageIndex(index);
        m_dialog->onMessage(UiMessage{COtherSetDlg::WM_SHOW_PAGE, 0, 0, {}});
        window.refresh();
    }

    SettingsPageView& pageView(int index) { return *m_frontEnd.settingsWindow()->pageView(index); }
    template <class Widget> Widget* control(int page, int id)
    {
        return pageView(page).binder().widgetAs<Widget>(id);
    }

    void expectEveryPageFits(SettingsWindow& window);

    bool onlyPageShown(int index)
    {
        for (int page = 0; page < kSettingsPageCount; ++page)
            if (pageView(page).isVisible() != (page == index))
                return false;
        return true;
    }

    fs::path m_dir;
    std::unique_ptr<ConfigProfile> m_profile;
    COtherSetDlg* m_dialogPointer = nullptr;
    SettingsMessages m_messages{m_dialogPointer};
    QtUiPort m_port{&m_messages};
    QtFrontEnd m_frontEnd;
    std::unique_ptr<COtherSetDlg> m_dialog;
    std::unique_ptr<QWidget> m_mainWindow;
};

TEST_F(SettingsWindowTest, OpensCentredWithFourGroupsFifteenPagesAndTheEthernetPage)
{
    m_mainWindow->show();
    SettingsWindow& window = open();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("其它设置"));
    EXPECT_EQ(window.size(), QSize(906, 529));
    EXPECT_FALSE(window.isModal());
    EXPECT_EQ(window.geometry().center(), m_mainWindow->geometry().center());

    ASSERT_EQ(tree().topLevelItemCount(), 4);
    QStringList groups;
    int pages = 0;
    for (int g = 0; g < 4; ++g) {
        QTreeWidgetItem* group = tree().topLevelItem(g);
        groups << group->text(0);
        pages += group->childCount();
        EXPECT_EQ(group->isExpanded(), g == 0) << g;
    }
    EXPECT_EQ(groups, (QStringList{QStringLiteral("网络参数"), QStringLiteral("媒体设置"),
                                   QStringLiteral("告警设置"), QStringLiteral("系统设置")}));
    EXPECT_EQ(pages, 15);
    ASSERT_TRUE(tree().currentItem());
    EXPECT_EQ(tree().currentItem()->text(0), QStringLiteral("网络设置"));
    EXPECT_EQ(tree().topLevelItem(3)->child(3)->text(0), QStringLiteral("设备语言"));
    EXPECT_EQ(tree().visualItemRect(tree().currentItem()).height(), 29);

    ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(0); }));
    EXPECT_EQ(pageView(0).geometry(), QRect(200, 0, 706, 529));
    EXPECT_LE(tree().geometry().right(), 200);
    EXPECT_EQ(control<QPushButton>(0, 1105)->text(), QStringLiteral("保存"));
}

TEST_F(SettingsWindowTest, ClickingAPageShowsItAloneAndAGroupKeepsThePage)
{
    open();
    clickTreeItem(u"视频编码");
    ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(8); }));
    EXPECT_EQ(m_dialog->shownPage(), 8);
    // Opening the group reached the logic.
    EXPECT_TRUE(m_dialog->tree()
                    .items()[static_cast<std::size_t>(m_dialog->tree().findItem(u"媒体设置"))]
                    .expanded);

    clickTreeItem(u"媒体设置");
    QApplication::processEvents();
    EXPECT_EQ(tree().currentItem()->text(0), QStringLiteral("媒体设置"));
    EXPECT_TRUE(onlyPageShown(8));

    clickTreeItem(u"FTP帐号设置");
    ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(2); }));
}

TEST_F(SettingsWindowTest, SaveWritesEditsOfEveryPageToConfigDat)
{
    open();
    // An unsaved edit on the FTP page first, then the Ethernet page's address.
    QTest::keyClicks(control<QLineEdit>(2, 1112), QStringLiteral("8080x"));
    auto* address = control<Ipv4AddressEdit>(0, 1080);
    const char* parts[] = {"192", "168", "1", "64"};
    for (int i = 0; i < 4; ++i)
        QTest::keyClicks(address->field(i), QString::fromLatin1(parts[i]));

    QString text;
    test::answerNextBox(QMessageBox::Ok, nullptr, &text);
    QTest::mouseClick(control<QPushButton>(0, 1105), Qt::LeftButton);
    ASSERT_TRUE(test::waitFor([&] { return !text.isEmpty(); }));
    EXPECT_EQ(text, QStringLiteral("保存成功!"));

    auto stored = std::make_unique<ConfigProfile>();
    std::memset(static_cast<void*>(stored.get()), 0, sizeof(ConfigProfile));
    ASSERT_EQ(loadProfile(*stored, m_dir), kProfileOk);
    EXPECT_STREQ(stored->lan.ipAddress, "192.168.1.64");
    EXPECT_EQ(readInt32(*stored, profileField("ftp.servers[0].serverPort")), 8080);
}

TEST_F(SettingsWindowTest, EscapeNeverClosesTheWindow)
{
    SettingsWindow& window = open();
    QLineEdit* edit = control<Ipv4AddressEdit>(0, 1080)->field(0);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(&tree(), Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(m_dialog->visible());
}

TEST_F(SettingsWindowTest, CloseBoxHidesAndTheNextShowKeepsPageSelectionAndEdits)
{
    SettingsWindow& window = open();
    clickTreeItem(u"FTP帐号设置");
    ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(2); }));
    QTest::keyClicks(control<QLineEdit>(2, 1113), QStringLiteral("installer"));

    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(m_dialog->visible());

    SettingsWindow& again = open();
    EXPECT_EQ(&again, &window);
    EXPECT_TRUE(onlyPageShown(2));
    EXPECT_EQ(tree().currentItem()->text(0), QStringLiteral("FTP帐号设置"));
    EXPECT_EQ(control<QLineEdit>(2, 1113)->text(), QStringLiteral("installer"));
    EXPECT_STREQ(m_profile->ftp.servers[0].account, "installer");
}

TEST_F(SettingsWindowTest, RegionGridSitsAtItsPlaceAndClicksToggleCells)
{
    open();
    clickTreeItem(u"移动侦测");
    ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(COtherSetDlg::kMotionPageIndex); }));
    WarningBlockWidget* grid = pageView(COtherSetDlg::kMotionPageIndex).gridWidget();
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->geometry(), QRect(370, 50, 250, 220));
    EXPECT_TRUE(grid->isVisible());

    // "4X4" from the list lays the grid out; cells are 62.5 × 55 pixels.
    auto* size = control<QComboBox>(COtherSetDlg::kMotionPageIndex, CWarningMotionDlg::kGridSizeId);
    size->setCurrentIndex(0);
    emit size->activated(0);
    const QColor black(0, 0, 0), red(255, 0, 0), green(0, 255, 0);
    QImage image = grid->grab().toImage();
    EXPECT_EQ(image.pixelColor(31, 27), black);
    EXPECT_EQ(image.pixelColor(63, 27), red); // cell 1's left outline

    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(31, 27));
    image = grid->grab().toImage();
    EXPECT_EQ(image.pixelColor(31, 27), green);
    EXPECT_EQ(image.pixelColor(0, 0), black);
    EXPECT_EQ(m_profile->motion.regionMask[0], 1);

    // The gap between cells 0 and 1 is no cell.
    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(62, 27));
    EXPECT_EQ(m_profile->motion.regionMask[1], 0);

    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(31, 27));
    EXPECT_EQ(grid->grab().toImage().pixelColor(31, 27), black);
    EXPECT_EQ(m_profile->motion.regionMask[0], 0);
}

TEST_F(SettingsWindowTest, EveryPageFitsItsControlsWithoutOverlapOrSquashing)
{
    for (const int language : {kLanguageChinese, kLanguageEnglish}) {
        m_dialog->setLanguage(language);
        expectEveryPageFits(open());
    }
}

void SettingsWindowTest::expectEveryPageFits(SettingsWindow& window)
{
    for (const SettingsPageEntry& entry : settingsPages()) {
        showPage(window, entry.index);
        ASSERT_TRUE(onlyPageShown(entry.index));
        SettingsPageView& page = pageView(entry.index);
        std::vector<std::pair<int, QRect>> placed;
        for (const int id : m_dialog->page(entry.index).model().ids()) {
            QWidget* widget = page.binder().widget(id);
            if (!widget || !widget->isVisible())
                continue;
            const QRect rect(widget->mapTo(&page, QPoint(0, 0)), widget->size());
            EXPECT_TRUE(page.rect().contains(rect))
                << "control " << id << " of page " << entry.index << " in language "
                << m_dialog->language();
            EXPECT_GE(rect.height(), widget->minimumSizeHint().height()) << "control " << id;
            for (const auto& [other, otherRect] : placed)
                EXPECT_FALSE(rect.intersects(otherRect)) << id << " overlaps " << other;
            placed.emplace_back(id, rect);
        }
        if (WarningBlockWidget* grid = page.gridWidget()) {
            for (const auto& [id, rect] : placed)
                EXPECT_FALSE(rect.intersects(grid->geometry())) << id << " under the grid";
        }
    }
}

// Han, kana, Hangul, CJK punctuation and the full-width forms.
bool hasCjk(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xAC00 && u <= 0xD7AF) ||
               (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) ||
               (u >= 0xFF00 && u <= 0xFFEF);
    });
}

// What a person can read on the shown widgets of a page: captions, heads and
// units, check boxes and buttons, every entry of the lists.
QStringList visibleTexts(QWidget& page)
{
    QStringList texts;
    for (QWidget* widget : page.findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            texts << button->text();
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
    }
    return texts;
}

TEST_F(SettingsWindowTest, InEnglishNoPageShowsAChineseText)
{
    m_dialog->setLanguage(kLanguageEnglish);
    SettingsWindow& window = open();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Other Settings"));
    for (QTreeWidgetItemIterator it(&tree()); *it; ++it)
        EXPECT_FALSE(hasCjk((*it)->text(0))) << (*it)->text(0).toStdString();
    for (const SettingsPageEntry& entry : settingsPages()) {
        showPage(window, entry.index);
        ASSERT_TRUE(onlyPageShown(entry.index));
        for (const QString& text : visibleTexts(pageView(entry.index)))
            EXPECT_FALSE(hasCjk(text)) << "page " << entry.index << ": " << text.toStdString();
    }
}

TEST_F(SettingsWindowTest, AShowInTheOtherLanguageRedrawsTheWindowWithItsState)
{
    open();
    clickTreeItem(u"FTP帐号设置");
    ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(2); }));
    QTest::keyClicks(control<QLineEdit>(2, 1113), QStringLiteral("installer"));

    m_dialog->setLanguage(kLanguageEnglish);
    EXPECT_EQ(open().windowTitle(), QStringLiteral("Other Settings"));
    EXPECT_TRUE(onlyPageShown(2));
    EXPECT_EQ(tree().currentItem()->text(0), QStringLiteral("FTP Accounts"));
    // The new window shows the edit and hands typing on to the logic.
    QTest::keyClicks(control<QLineEdit>(2, 1113), QStringLiteral("2"));
    EXPECT_EQ(control<QLineEdit>(2, 1113)->text(), QStringLiteral("installer2"));
    EXPECT_STREQ(m_profile->ftp.servers[0].account, "installer2");
}

// The settings screenshots of the documentation. They run only when asked:
//   VEXLO_SCREENSHOT_DIR=docs gui_tests --gtest_filter='SettingsScreenshot*'
class SettingsScreenshot : public SettingsWindowTest
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("VEXLO_SCREENSHOT_DIR"))
            GTEST_SKIP() << "set VEXLO_SCREENSHOT_DIR to the folder to write";
        // The font of the vexlo program (gui/main.cpp).
        QFont font(QStringLiteral("Arial"), 9);
        font.setFamilies({QStringLiteral("Arial"), QStringLiteral("WenQuanYi Micro Hei")});
        QApplication::setFont(font);
        SettingsWindowTest::SetUp();
        fillProfile();
        m_dialog->LoadFromProfile();
    }

    void fillProfile()
    {
        ConfigProfile& p = *m_profile;
        writeInt32(p, profileField("lan.enabled"), 1);
        writeTextUtf16(p, profileField("lan.ipAddress"), u"192.168.1.64");
        writeTextUtf16(p, profileField("lan.netmask"), u"255.255.255.0");
        writeTextUtf16(p, profileField("lan.gateway"), u"192.168.1.1");
        writeTextUtf16(p, profileField("lan.dns1"), u"192.168.1.1");
        writeTextUtf16(p, profileField("lan.dns2"), u"8.8.8.8");
        writeInt32(p, profileField("videoEncode.enabled"), 1);
        writeInt32(p, profileField("videoEncode.mainStream.resolution"), 2);
        writeInt32(p, profileField("videoEncode.subStream.resolution"), 11);
        writeInt32(p, profileField("videoEncode.mainStream.frameInterval"), 50);
        writeInt32(p, profileField("videoEncode.subStream.frameInterval"), 50);
        writeInt32(p, profileField("videoEncode.mainStream.bitRate"), 4096);
        writeInt32(p, profileField("videoEncode.subStream.bitRate"), 512);
        writeInt32(p, profileField("videoEncode.mainStream.frameRate"), 24);
        writeInt32(p, profileField("videoEncode.subStream.frameRate"), 14);
        writeInt32(p, profileField("videoEncode.privateData"), 1);
        MotionSection& motion = p.motion;
        motion.enabled = 1;
        motion.alarmOn = 1;
        motion.sensitivity = 60;
        motion.alarmThreshold = 30;
        motion.gridSize = 0;
        for (int cell : {5, 6, 9, 10, 11})
            motion.regionMask[cell] = 1;
        motion.nightStart = TimeOfDay{19, 0, 0};
        motion.nightEnd = TimeOfDay{6, 30, 0};
        motion.nightSensitivity = 80;
        motion.nightAlarmThreshold = 20;
        motion.schedule[7] = MotionScheduleEntry{1, TimeOfDay{0, 0, 0}, TimeOfDay{23, 59, 59}};
    }

    void shoot(const char16_t* treeLabel, int page, const QString& name)
    {
        clickTreeItem(treeLabel);
        ASSERT_TRUE(test::waitFor([&] { return onlyPageShown(page); }));
        tree().clearFocus();
        const QString file = qEnvironmentVariable("VEXLO_SCREENSHOT_DIR") + QLatin1Char('/') + name;
        ASSERT_TRUE(m_frontEnd.settingsWindow()->grab().save(file)) << file.toStdString();
    }
};

TEST_F(SettingsScreenshot, EthernetVideoEncodingAndMotionPages)
{
    open();
    shoot(u"网络设置", 0, QStringLiteral("settings-ethernet.png"));
    shoot(u"视频编码", 8, QStringLiteral("settings-video-encoding.png"));
    shoot(u"移动侦测", COtherSetDlg::kMotionPageIndex, QStringLiteral("settings-motion.png"));
}

TEST_F(SettingsScreenshot, EthernetPageInEnglish)
{
    m_dialog->setLanguage(kLanguageEnglish);
    open();
    shoot(u"Ethernet", 0, QStringLiteral("settings-ethernet-en.png"));
}

} // namespace
} // namespace vexlo
