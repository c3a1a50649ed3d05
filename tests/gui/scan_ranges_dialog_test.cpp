// The scan-ranges window of the system menu: a sound text reaches the ranges
// both device libraries scan; a bad one keeps the window open, says what is
// wrong and changes nothing.
#include "gui_test_support.h"
#include "tests/support/temp_dir.h"

#include "app/main_window.h"
#include "gui/main_window_view.h"
#include "gui/qt_front_end.h"
#include "gui/qt_ui_port.h"
#include "gui/scan_ranges_dialog.h"
#include "profile/config_profile.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace vexlo {
namespace {

using credentials::TextLanguage;

TEST(ScanRangesDialog, OnlySoundLoopbackRangesReachTheSearches)
{
    auto targets = std::make_shared<ScanTargets>();
    ScanRangesDialog window(targets, true, TextLanguage::English);
    window.show();
    const std::pair<const char*, const char*> refused[] = {
        {"127.0.3.9-127.0.3.1", "the range 127.0.3.9-127.0.3.1 ends before it starts"},
        {"127.0.3.300", "127.0.3.300 is not an IPv4 address"},
        {"10.1.2.0/24",
         "10.1.2.0/24 is outside 127.0.0.0/8: without --lan only loopback addresses are scanned"},
    };
    for (const auto& [text, error] : refused) {
        window.rangesEdit().setText(QString::fromUtf8(text));
        window.accept();
        EXPECT_TRUE(window.isVisible()) << text;
        EXPECT_EQ(window.errorText().toStdString(), error);
        EXPECT_TRUE(targets->ranges().empty()) << text;
    }
    window.rangesEdit().setText(QStringLiteral("127.0.3.1-127.0.3.2, 127.0.4.0/30"));
    window.accept();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(targets->addresses().size(), 4u);

    // Opened again, it shows what is scanned now; an empty line scans nothing.
    ScanRangesDialog again(targets, true, TextLanguage::Chinese);
    EXPECT_EQ(again.rangesEdit().text(), QStringLiteral("127.0.3.1-127.0.3.2, 127.0.4.0/30"));
    again.rangesEdit().clear();
    again.accept();
    EXPECT_TRUE(targets->ranges().empty());
}

TEST(ScanRangesDialog, SystemMenuOffersItOnceTheRangesAreGiven)
{
    auto profile = std::make_unique<ConfigProfile>();
    std::memset(static_cast<void*>(profile.get()), 0, sizeof(ConfigProfile));
    test::TempDir folder{"vexlo-scan-menu"};
    MainWindowOptions options;
    options.configDirectory = folder.path();
    options.profile = profile.get();
    QtUiPort port;
    QtFrontEnd frontEnd;
    CVexloDlg logic(port, frontEnd, options);
    port.setHandler(&logic);
    MainWindowView window(logic);
    logic.onInitDialog();
    window.show();

    auto scanEntry = [&] {
        std::pair<QString, bool> seen;
        QTimer::singleShot(0, &window, [&] {
            ASSERT_TRUE(test::waitFor([] { return QApplication::activePopupWidget(); }));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu && !menu->actions().empty());
            seen = {menu->actions().back()->text(), menu->actions().back()->isEnabled()};
            menu->close();
        });
        window.showSystemMenu(window.mapToGlobal(QPoint(10, 10)));
        return seen;
    };
    EXPECT_EQ(scanEntry(), std::make_pair(QStringLiteral("扫描地址段..."), false));
    window.setScanTargets(std::make_shared<ScanTargets>(), true);
    logic.setLanguage(1);
    EXPECT_EQ(scanEntry(), std::make_pair(QStringLiteral("Scan address ranges..."), true));
    port.setHandler(nullptr);
}

} // namespace
} // namespace vexlo
